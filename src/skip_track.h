// Moving playback off the playing file, so that the host lets it go before
// the file is moved or sent to the Recycle Bin.
#pragma once

#include <windows.h>

// The next-track command, and where the position did not move (the last
// entry with Repeat off, or a one-entry list, which Repeat only starts
// again) the stop command. Each attempt that neither moves on nor stops is
// told to the user; after the last one it gives up and answers false.
bool skipToNextTrack(HWND hwnd, LRESULT position);
