// The Win32 subset this program uses, declared by us from the documentation.
#pragma once

#include <windef.h>
#include <winerror.h>
#include <winbase.h>
#include <winnls.h>
#include <winreg.h>
#include <wingdi.h>
#include <winuser.h>
#include <winspool.h>
#include <lzexpand.h>
#include <winver.h>
#include <dde.h>
