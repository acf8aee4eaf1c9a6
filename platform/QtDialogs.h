#pragma once
#include "Dialogs.h"

namespace platform {

class QtDialogs : public Dialogs {
 public:
  void message(const std::string& text, const std::string& caption, MessageKind kind) override;
  bool askYesNo(const std::string& text, const std::string& caption) override;
  std::optional<std::string> openFile(const FileDialogOptions& o) override;
  std::optional<std::string> saveFile(const FileDialogOptions& o) override;
  std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& initial) override;
  std::optional<TColor> pickColour(TColor initial) override;
  std::optional<Font> pickFont(const Font& initial) override;
  int showModal(QDialog& dialog) override;
};

}  // namespace platform
