// The export launch (CmdStartConversion_Click without widgets): the checked folders of the tree
// become SelectedFolders, and the user chooses the destination.
#pragma once

#include "common/Controls.h"
#include "common/ProgramValues.h"

namespace mailshift::mail {

// Fills SelectedFolders from the tree (entries 0 to the tree's node count, the tags of the nodes
// whose own check is on first, in tree order, empty texts after them), asks for DestinationRoot,
// and tells whether the export window is to be shown: false when nothing is checked or the chosen
// destination cannot be written (each after a message), or when the folder dialog was cancelled.
// A failing tree operation reaches the caller as ControlError.
bool CmdStartConversion_Click(const TreeControl& tree, MessageBoxes& messages, ProgramValues& values);

}  // namespace mailshift::mail
