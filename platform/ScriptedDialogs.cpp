#include "ScriptedDialogs.h"

#include <QDialog>

namespace platform {

template <class T>
T ScriptedDialogs::take(std::deque<T>& q, const char* kind) {
  // The call was logged just before, so its text names the dialog that had no answer.
  if (q.empty()) {
    const std::string text = calls_.empty() ? std::string() : calls_.back().text;
    throw std::logic_error(std::string("ScriptedDialogs: no scripted answer for ") + kind + " \"" +
                           text + "\"");
  }
  T answer = std::move(q.front());
  q.pop_front();
  return answer;
}

std::vector<ScriptedDialogs::Call> ScriptedDialogs::callsOf(const std::string& kind) const {
  std::vector<Call> out;
  for (const Call& c : calls_)
    if (c.kind == kind) out.push_back(c);
  return out;
}

bool ScriptedDialogs::allAnswersUsed() const {
  return yesNo_.empty() && open_.empty() && save_.empty() && input_.empty() && colour_.empty() &&
         font_.empty() && modal_.empty();
}

void ScriptedDialogs::message(const std::string& text, const std::string& caption, MessageKind) {
  calls_.push_back({"message", text, caption});
}

bool ScriptedDialogs::askYesNo(const std::string& text, const std::string& caption) {
  calls_.push_back({"yesno", text, caption});
  return take(yesNo_, "yesno");
}

std::optional<std::string> ScriptedDialogs::openFile(const FileDialogOptions& o) {
  calls_.push_back({"open", o.title, {}});
  return take(open_, "open");
}

std::optional<std::string> ScriptedDialogs::saveFile(const FileDialogOptions& o) {
  calls_.push_back({"save", o.title, {}});
  return take(save_, "save");
}

std::optional<std::string> ScriptedDialogs::inputBox(const std::string& caption,
                                                     const std::string& prompt,
                                                     const std::string&) {
  calls_.push_back({"input", prompt, caption});
  return take(input_, "input");
}

std::optional<TColor> ScriptedDialogs::pickColour(TColor) {
  calls_.push_back({"colour", {}, {}});
  return take(colour_, "colour");
}

std::optional<Font> ScriptedDialogs::pickFont(const Font&) {
  calls_.push_back({"font", {}, {}});
  return take(font_, "font");
}

int ScriptedDialogs::showModal(QDialog& dialog) {
  calls_.push_back({"modal", dialog.windowTitle().toStdString(), {}});
  Modal m = take(modal_, "modal");
  if (m.action) m.action(dialog);
  // What exec() would leave behind, for code that reads result() afterwards.
  dialog.setResult(m.result);
  return m.result;
}

}  // namespace platform
