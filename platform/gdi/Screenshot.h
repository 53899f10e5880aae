// Pictures of the screen as PNG files.
//
//   nv::gdi::SaveScreenshot("/tmp/shot.png");   // the screen now
//   nv::gdi::EnableScreenshots("/tmp/run");       // one PNG whenever a dialog
//                                                 // or message box waits for
//                                                 // input, and one at run end
//
// Automatic pictures are numbered in order and named after the dialog
// ("003-SELECTDRV-Select_the_printer.png", "007-msgbox-Question.png",
// "012-end.png"); a wait that shows exactly the previous picture again makes
// no new file. Paths are host paths: the pictures are for people, outside
// the simulated machine.
#pragma once

#include <string>

#include "platform/core/Result.h"
#include "platform/gdi/Surface.h"

namespace nv::gdi {

Result<void> SavePng(const Surface& s, const std::string& hostPath);
Result<void> SaveScreenshot(const std::string& hostPath);
// Installs the Windows 95 painter too. The directory is created when needed.
Result<void> EnableScreenshots(const std::string& hostDir);
void DisableScreenshots();
// The files written so far by the automatic mode, in order.
const std::vector<std::string>& ScreenshotFiles();

}  // namespace nv::gdi
