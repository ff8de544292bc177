// The file-open dialog and the folder picker open where the user last was: the folder of the last
// database chosen and the last destination, when the program remembers them. Each toolkit's dialog
// builds on these and only shows itself.
#pragma once

#include <string>

#include "common/Controls.h"
#include "common/Global.h"
#include "common/RememberedFolders.h"

namespace mailshift::shell {

template <class Dialog, std::string (RememberedFolders::*RememberedFolder)() const>
class RememberingDialog : public Dialog {
 public:
  explicit RememberingDialog(const RememberedFolders* remembered) : remembered_(remembered) {}

 protected:
  // "" when nothing is remembered.
  std::string StartFolder() const { return remembered_ != nullptr ? (remembered_->*RememberedFolder)() : ""; }

 private:
  const RememberedFolders* remembered_;
};

using RememberingFileOpenDialog = RememberingDialog<FileOpenDialog, &RememberedFolders::DatabaseFolder>;
using RememberingFolderPicker = RememberingDialog<FolderPicker, &RememberedFolders::Destination>;

}  // namespace mailshift::shell
