// Which folders of the tree are selected. A check given to a node goes to every node below it; a
// node shows partly checked while its own check and those of the nodes below it differ; and a
// node's own check alone decides whether its own folder is taken, so that a folder whose one
// subfolder was unchecked still exports its own messages.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/Controls.h"

namespace mailshift::notes {

// The handler of a node's check box: the node and every node below it (for the root, the whole
// tree) take the new check, and the partly-checked states follow.
void ContactsTreeView_NodeCheck(TreeControl& tree, int position, bool checked);

// Sets which nodes show partly checked, from the own checks of all nodes.
void ShowPartlyChecked(TreeControl& tree);

// The folder tags of the nodes after the root whose own check is on, in tree order. Nodes without
// a tag (levels that only hold other folders) stand for no folder and are left out.
std::vector<std::string> CheckedFolderTags(const TreeControl& tree);

// Checks the nodes carrying the given tags and every node below them, and unchecks all others.
// A tag no node after the root carries changes nothing and is returned, the first one such.
std::optional<std::string> CheckOnlyFolders(TreeControl& tree, const std::vector<std::string>& tags);

}  // namespace mailshift::notes
