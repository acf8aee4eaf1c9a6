#include "QtDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include "QtBridge.h"

namespace platform {

namespace {

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

QWidget* parentWindow() {
  return QApplication::activeWindow();
}

QMessageBox::Icon iconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Information:
      return QMessageBox::Information;
    case MessageKind::Warning:
      return QMessageBox::Warning;
    case MessageKind::Error:
      return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

// The folder the dialog opens in, with the proposed name already selected.
QString startPath(const FileDialogOptions& o) {
  if (o.fileName.empty()) return qs(o.initialDir);
  if (o.initialDir.empty()) return qs(o.fileName);
  return QDir(qs(o.initialDir)).filePath(qs(o.fileName));
}

}  // namespace

void QtDialogs::message(const std::string& text, const std::string& caption, MessageKind kind) {
  QMessageBox box(iconOf(kind), qs(caption), qs(text), QMessageBox::NoButton, parentWindow());
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
}

bool QtDialogs::askYesNo(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::Question, qs(caption), qs(text), QMessageBox::NoButton,
                  parentWindow());
  QPushButton* yes = box.addButton(QStringLiteral("Oui"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("Non"), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

std::optional<std::string> QtDialogs::openFile(const FileDialogOptions& o) {
  const QString path =
      QFileDialog::getOpenFileName(parentWindow(), qs(o.title), startPath(o), qs(o.filter));
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

std::optional<std::string> QtDialogs::saveFile(const FileDialogOptions& o) {
  // The static getSaveFileName cannot take a default suffix.
  QFileDialog dialog(parentWindow(), qs(o.title), startPath(o), qs(o.filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  const QString suffix = qs(o.defaultSuffix);
  if (!suffix.isEmpty()) dialog.setDefaultSuffix(suffix);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
  QString path = files.front();
  // Native dialogs may ignore defaultSuffix.
  if (!suffix.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
    if (!path.endsWith(QLatin1Char('.'))) path += QLatin1Char('.');
    path += suffix;
  }
  return path.toStdString();
}

std::optional<std::string> QtDialogs::inputBox(const std::string& caption,
                                               const std::string& prompt,
                                               const std::string& initial) {
  bool ok = false;
  const QString text = QInputDialog::getText(parentWindow(), qs(caption), qs(prompt),
                                             QLineEdit::Normal, qs(initial), &ok);
  if (!ok) return std::nullopt;
  return text.toStdString();
}

std::optional<TColor> QtDialogs::pickColour(TColor initial) {
  const QColor c = QColorDialog::getColor(toQColor(initial), parentWindow());
  if (!c.isValid()) return std::nullopt;
  return fromQColor(c);
}

std::optional<Font> QtDialogs::pickFont(const Font& initial) {
  bool ok = false;
  const QFont f = QFontDialog::getFont(&ok, toQFont(initial), parentWindow());
  if (!ok) return std::nullopt;
  // The font dialog has no colour: the initial one is kept.
  return fromQFont(f, initial.color);
}

int QtDialogs::showModal(QDialog& dialog) {
  return dialog.exec();
}

}  // namespace platform
