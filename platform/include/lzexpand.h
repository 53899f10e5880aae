// Win32 declarations of this API family; the stand-in implements them under platform/.
//
// LZ32: files in the SZDD compressed-file format, read as if they were plain.
// Handles returned by LZOpenFileA and LZInit are either the file handle of the
// kernel's file functions (uncompressed files) or an LZ handle (compressed
// files); every LZ function accepts both. The LZ functions do not set the
// last error.
#pragma once

#include <windef.h>
#include <winerror.h>
#include <winbase.h>

#define LZERROR_BADINHANDLE (-1)
#define LZERROR_BADOUTHANDLE (-2)
#define LZERROR_READ (-3)
#define LZERROR_WRITE (-4)
#define LZERROR_GLOBALLOC (-5)
#define LZERROR_GLOBLOCK (-6)
#define LZERROR_BADVALUE (-7)
#define LZERROR_UNKNOWNALG (-8)

INT WINAPI LZStart(void);
void WINAPI LZDone(void);
INT WINAPI LZInit(INT hfSource);
INT WINAPI LZOpenFileA(LPSTR lpFileName, LPOFSTRUCT lpReOpenBuf, WORD wStyle);
LONG WINAPI LZCopy(INT hfSource, INT hfDest);
LONG WINAPI CopyLZFile(INT hfSource, INT hfDest);
INT WINAPI LZRead(INT hFile, LPSTR lpBuffer, INT cbRead);
LONG WINAPI LZSeek(INT hFile, LONG lOffset, INT iOrigin);
void WINAPI LZClose(INT hFile);
INT WINAPI GetExpandedNameA(LPSTR lpszSource, LPSTR lpszBuffer);

#define LZOpenFile LZOpenFileA
#define GetExpandedName GetExpandedNameA
