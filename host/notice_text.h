// Texts of the low-frame-rate notice and of the removal scheduling: the rate
// line, the run-once command and the run-once value names. Pure and portable
// (no platform headers), so the native build checks them under the sanitizers.
#pragma once

#include <stddef.h>

// Buffer for "install_dir", for a run-once value and for the command built
// from the folder, terminator included.
const size_t kRemovalTextSize = 356;
// The uninstaller, run from the installation folder at the next start.
const char kUninstallerSuffix[] = "\\uninstal.exe";
// Run-once value names are "kill_saver", then "kill_saver1" up to this.
const int kRunOnceNameLimit = 9999;
const size_t kRunOnceNameSize = 16; // "kill_saver9999" and its terminator fit
const size_t kFrameRateTextSize = 96;

// "The current frame rate is: 2.50 frames per second." False (and the text
// cut short, terminated) when it does not fit.
bool FormatFrameRateText(char* text, size_t size, float rate);

// The folder followed by "\uninstal.exe", in quotation marks. False, with an
// empty command, when the folder is empty or the command would not fit: a cut
// command, or the bare "\uninstal.exe", would start some other program from
// the root of a drive.
bool BuildRemovalCommand(char* command, size_t size, const char* installDir);

// The run-once value name for a counter: 0 gives "kill_saver", n gives
// "kill_saver<n>". False, with an empty name, outside 0 to kRunOnceNameLimit
// or when the buffer is too small.
bool FormatRunOnceName(char* name, size_t size, int counter);
