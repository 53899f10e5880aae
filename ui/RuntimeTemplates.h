// The two dialogs whose size depends on the run have no resource template:
// the language dialog (a question line and a radio button per offered
// language) and the restart dialog WIN_RESTART (wider, or with stacked
// buttons, when its button text is long). Their templates are built in a
// zero-filled memory block in the in-memory layout (DLGTEMPLATE, then
// DWORD-aligned DLGITEMTEMPLATE records, UTF-16 strings), run with
// DialogBoxIndirectParamA and freed. The templates carry no texts; the
// procedures set them all.
#pragma once

#include <windows.h>

#include "shared/DialogTemplateWriter.h"  // ConvertToWide

// Sizes of the two blocks.
#define LANGUAGE_TEMPLATE_BYTES 4096
#define RESTART_TEMPLATE_BYTES 3096

// Control ids of the built templates.
#define IDC_QUESTION_FIRST 3    // question line k: 3 + k
#define IDC_LANGUAGE_FIRST 20   // language button k: 20 + k
#define IDC_RESTART 1020
#define IDC_RETURN 1021
#define IDC_RESTART_TEXT 145

// Most languages the language dialog lays out: the rows of languageChoices.
#define LANGUAGE_ROWS_MAX 8

// Writes the language dialog's template for n languages into block (size
// bytes, zero-filled by the caller). Returns the bytes used, or 0 when n is
// more than LANGUAGE_ROWS_MAX or the template does not fit in size.
int WriteLanguageTemplate(BYTE* block, int size, int n, DWORD buttonStyle);
// Writes the restart dialog's template for a return-button text of
// returnTextLength bytes. Returns the bytes used, or 0 when it does not fit.
int WriteRestartTemplate(BYTE* block, int size, int returnTextLength);
// The restart dialog's width for a return-button text of that many bytes.
int RestartDialogWidth(int returnTextLength);

// Builds the language dialog for the names in names (each ended by a 0
// byte, an empty name after the last; only their number counts), runs it
// with SelLangProc owned by owner and returns its end value, or -1 when
// no memory, too many names, or the dialog could not be created (each with
// its own message). captionId is not used: the procedure sets the caption.
INT_PTR BuildLanguageDialog(HWND owner, HGLOBAL names, UINT captionId, UINT questionId, DWORD buttonStyle);

// Builds WIN_RESTART and runs it with procedure; -1 as above, also for any
// other template name.
INT_PTR BuildRestartDialog(HWND owner, DLGPROC procedure, LPCSTR templateName);

// A system-modal information box with text id and caption "Warning", both
// in the chosen language.
void ShowSystemNote(HWND owner, UINT textId);
