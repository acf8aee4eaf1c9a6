#pragma once
#include <deque>
#include <functional>
#include <stdexcept>
#include <variant>

#include "Dialogs.h"

namespace platform {

// Test double: each call takes the next scripted answer of its kind and logs what was asked.
// A call with no answer left raises std::logic_error, so a test never blocks on a dialog.
class ScriptedDialogs : public Dialogs {
 public:
  struct Call {
    std::string kind;  // "message", "yesno", "open", "save", "input", "colour", "font", "modal"
    std::string text;  // the message, question, prompt or title
    std::string caption;
  };

  void queueYesNo(bool answer) { yesNo_.push_back(answer); }
  void queueOpen(std::optional<std::string> path) { open_.push_back(std::move(path)); }
  void queueSave(std::optional<std::string> path) { save_.push_back(std::move(path)); }
  void queueInput(std::optional<std::string> text) { input_.push_back(std::move(text)); }
  void queueColour(std::optional<TColor> c) { colour_.push_back(c); }
  void queueFont(std::optional<Font> f) { font_.push_back(std::move(f)); }
  // The action may fill the dialog's controls before its result is answered.
  void queueModal(int result, std::function<void(QDialog&)> action = {}) {
    modal_.push_back({result, std::move(action)});
  }

  const std::vector<Call>& calls() const { return calls_; }
  std::vector<Call> callsOf(const std::string& kind) const;
  bool allAnswersUsed() const;

  void message(const std::string& text, const std::string& caption, MessageKind kind) override;
  bool askYesNo(const std::string& text, const std::string& caption) override;
  std::optional<std::string> openFile(const FileDialogOptions& o) override;
  std::optional<std::string> saveFile(const FileDialogOptions& o) override;
  std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& initial) override;
  std::optional<TColor> pickColour(TColor initial) override;
  std::optional<Font> pickFont(const Font& initial) override;
  int showModal(QDialog& dialog) override;

 private:
  struct Modal {
    int result;
    std::function<void(QDialog&)> action;
  };
  template <class T>
  T take(std::deque<T>& q, const char* kind);

  std::vector<Call> calls_;
  std::deque<bool> yesNo_;
  std::deque<std::optional<std::string>> open_, save_, input_;
  std::deque<std::optional<TColor>> colour_;
  std::deque<std::optional<Font>> font_;
  std::deque<Modal> modal_;
};

}  // namespace platform
