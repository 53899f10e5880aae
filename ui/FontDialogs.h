// The font choice: FONT lists the fonts of the script's FONTLIST, all
// selected at first, with the KB they need and the K free on the fonts drive
// (and on the Windows drive when that is another one). Continue tests the
// space; when it is short, KEIKOKU offers to change the fonts, change the
// drive (CHANGE) or give up.
//
// Script data: [TRUETYPEFONTS] FONTLIST = names separated by ',', '_' for a
// blank; [NEEDED.SPACE] one key per name (as in FONTLIST) = size1,where,size2
// with where '0' size1 on the fonts drive, '1' size1 on the Windows drive,
// '2' size1 on the fonts drive and size2 on the Windows drive, else nothing.
//
// On 1 from FONT, state.scratchText holds the chosen names in list order,
// joined by ',', blanks written as '_' again.
#pragma once

#include <windows.h>

#include "shared/ResourceIds.h"

// Which drive a free-space reading is for.
enum class SpaceDrive { Fonts = 0, Windows = 1 };

// What CheckFontSpace found.
#define SPACE_FITS 100
#define SPACE_CHANGE_FONTS 2
#define SPACE_GIVE_UP 0

// Dialog procedure of FONT: 1 when the chosen fonts fit, 0 when the user
// gave up or a drive cannot be read.
INT_PTR CALLBACK FONT_Set(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Dialog procedure of KEIKOKU: 1 after a change of drive (FontPath written
// to the private INI), 2 for Change Fonts (also Enter and Escape), 0 for
// Exit confirmed in AskCancel.
INT_PTR CALLBACK Enough_Size(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Fills list with the names of FONTLIST (blanks for '_'), all selected. 1;
// 0 after "Not enough memory" when a name could not be added.
int FillFontList(HWND dialog, HWND list);
// Writes the selected rows' names, joined by ',' with '_' for blanks, into
// state.scratchText. 1 when they fit; 0 (and an empty text) when they do not.
int CollectFonts(HWND dialog, HWND list);
// Recomputes and shows the required KB of the selection; disables Continue
// when it needs nothing. 1.
int UpdateSizes(HWND dialog, HWND list);
// Reads the free bytes of directory's drive, keeps them for drive and shows
// them in K (1000 bytes) in control. 1, or 0 when the drive cannot be read.
int ShowSpace(HWND dialog, LPCSTR directory, int control, SpaceDrive drive);
// The space test of Continue, with KEIKOKU when space is short: SPACE_FITS,
// SPACE_CHANGE_FONTS, or SPACE_GIVE_UP (FONT has then been ended with 0).
int CheckFontSpace(HWND dialog);
// Joins the message texts of ids (count of them) and shows them as help. 1,
// or 0 when there is no memory for the text.
int ShowFontHelp(HWND dialog, const UINT* ids, int count);
