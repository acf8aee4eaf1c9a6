#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Canvas.h"
#include "Colour.h"

class QDialog;

namespace platform {

enum class MessageKind { Information, Warning, Error };

struct FileDialogOptions {
  std::string title;
  std::string filter;  // Qt form: "Blocs (*.blc);;Tous (*)"
  std::string initialDir;
  std::string defaultSuffix;  // without the dot
  std::string fileName;       // proposed name
};

// Every message box, question, file dialog, input box, picker and modal dialog goes through
// this seam: the Qt implementation shows real dialogs, tests script the answers.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual void message(const std::string& text, const std::string& caption, MessageKind kind) = 0;
  // The default error box of a failed command.
  void error(const std::string& text) { message(text, "Erreur", MessageKind::Error); }
  virtual bool askYesNo(const std::string& text, const std::string& caption) = 0;
  virtual std::optional<std::string> openFile(const FileDialogOptions& o) = 0;
  virtual std::optional<std::string> saveFile(const FileDialogOptions& o) = 0;
  virtual std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                              const std::string& initial) = 0;
  virtual std::optional<TColor> pickColour(TColor initial) = 0;
  virtual std::optional<Font> pickFont(const Font& initial) = 0;
  // Shows a modal dialog; answers its result (QDialog::Accepted is 1).
  virtual int showModal(QDialog& dialog) = 0;
};

// The seam in use; the programs install QtDialogs, tests a ScriptedDialogs.
Dialogs& dialogs();
void setDialogs(Dialogs* d);  // nullptr restores the Qt implementation

}  // namespace platform
