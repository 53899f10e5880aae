// Win32 declarations of this API family; the stand-in implements them under platform/.
#pragma once

#include <windef.h>
#include <winerror.h>
