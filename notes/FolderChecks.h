// Which folders of a scanned tree are checked for export. A check given to a node goes to every
// node below it; a node shows partly checked while its own check and those below it differ; and a
// node's own check alone decides whether its own folder is taken.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "notes/MailScan.h"

namespace mailshift::notes {

enum class CheckShown { Unchecked, Checked, Partly };

class FolderChecks {
 public:
  // Every node checked, as a scan leaves them.
  explicit FolderChecks(const std::vector<FolderNode>& nodes);

  // The user clicked the node's box: a node that shows checked unchecks its branch, one that
  // shows unchecked or partly checked checks its whole branch.
  void Click(std::size_t node);
  // The node and its branch take the check.
  void SetBranch(std::size_t node, bool checked);

  bool Own(std::size_t node) const;
  CheckShown Shown(std::size_t node) const;

  // The tags of the nodes after the root whose own check is on, in tree order; nodes without a
  // tag are left out.
  std::vector<std::string> CheckedTags() const;

  // Checks the nodes after the root carrying the given tags with their branches and unchecks all
  // others. A tag no such node carries changes nothing and is returned, the first one such.
  std::optional<std::string> CheckOnly(const std::vector<std::string>& tags);

 private:
  // Copies of what the checks need from the nodes, so that the scan result may move.
  std::vector<std::optional<std::size_t>> parents_;
  std::vector<std::string> tags_;
  std::vector<std::vector<std::size_t>> children_;
  std::vector<bool> own_;
  // Whether each node shows partly checked; worked out again after every change.
  std::vector<bool> partly_;

  void MarkBranch(std::size_t node, bool checked);
  void UpdatePartly();
};

}  // namespace mailshift::notes
