// Which face a conversion shows: the window face of the platform, the terminal face or
// the headless one, chosen from QORU_FACE, the host's window and the process's stderr.
#pragma once

#include <memory>

#include "faces/face.h"

namespace qoru {

// The face that DoIt uses: QORU_FACE (headless, terminal, window) if set; else the
// window face when the host gave a window (OwnerWindow() not 0) and a display can be
// opened; else terminal when stderr is a terminal, else headless. When the window
// face is asked for and no display can be opened, the run goes on with the terminal
// or headless face, which first shows a notice that says why.
std::unique_ptr<Face> MakeDefaultFace();

}  // namespace qoru
