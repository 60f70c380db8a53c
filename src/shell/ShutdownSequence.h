#pragma once

namespace orv {

class frmMain;

// The query-close sequence: refuses while a recording runs (the remaining steps still run),
// saves the settings unless another copy of the program was running at start, and closes the
// separate windows. Returns true when the close is refused.
[[nodiscard]] bool QueryUnload(frmMain& window);

// The close handler: resets the port test's crash marker, closes the files and the serial port.
void Form_Unload(frmMain& window);

// The message of a second copy at exit, in the program's language.
void ShowAnotherInstanceMessage(frmMain& window);

} // namespace orv
