#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QVBoxLayout>
#include <functional>

#include "platform/QtDialogs.h"
#include "platform/ScriptedDialogs.h"

using namespace platform;

namespace {

FileDialogOptions titled(const std::string& title) {
  FileDialogOptions o;
  o.title = title;
  return o;
}

}  // namespace

TEST(ScriptedDialogsTest, AnswersInOrderPerKindAndLogsEveryCall) {
  ScriptedDialogs d;
  d.queueYesNo(true);
  d.queueInput("premier");
  d.queueYesNo(false);
  d.queueInput(std::nullopt);
  d.queueOpen("/tmp/a.blc");
  d.queueSave(std::nullopt);
  d.queueColour(clRed);
  Font f;
  f.name = "Courier New";
  f.bold = true;
  d.queueFont(f);

  // Interleaved kinds: each draws from its own queue.
  EXPECT_TRUE(d.askYesNo("Enregistrer ?", "Zeridaz"));
  EXPECT_EQ(d.inputBox("Nom", "Votre nom :", "x"), "premier");
  d.error("Fichier introuvable");
  EXPECT_FALSE(d.askYesNo("Quitter ?", "Zeridaz"));
  EXPECT_EQ(d.inputBox("Nom", "Encore :", ""), std::nullopt);
  EXPECT_EQ(d.openFile(titled("Ouvrir")), "/tmp/a.blc");
  EXPECT_FALSE(d.allAnswersUsed());
  EXPECT_EQ(d.saveFile(titled("Enregistrer sous")), std::nullopt);
  EXPECT_EQ(d.pickColour(clBlack), clRed);
  EXPECT_EQ(d.pickFont(Font{}), f);
  d.message("Terminé", "Info", MessageKind::Information);
  EXPECT_TRUE(d.allAnswersUsed());

  const std::vector<std::pair<std::string, std::string>> expected = {
      {"yesno", "Enregistrer ?"},   {"input", "Votre nom :"}, {"message", "Fichier introuvable"},
      {"yesno", "Quitter ?"},       {"input", "Encore :"},    {"open", "Ouvrir"},
      {"save", "Enregistrer sous"}, {"colour", ""},           {"font", ""},
      {"message", "Terminé"}};
  ASSERT_EQ(d.calls().size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(d.calls()[i].kind, expected[i].first) << i;
    EXPECT_EQ(d.calls()[i].text, expected[i].second) << i;
  }
  EXPECT_EQ(d.calls()[0].caption, "Zeridaz");
  EXPECT_EQ(d.calls()[1].caption, "Nom");
  EXPECT_EQ(d.calls()[2].caption, "Erreur");

  const auto messages = d.callsOf("message");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].text, "Terminé");
  EXPECT_EQ(messages[1].caption, "Info");
}

TEST(ScriptedDialogsTest, ThrowsNamingKindAndTextWhenScriptIsEmpty) {
  struct Case {
    const char* kind;
    const char* text;
    std::function<void(ScriptedDialogs&)> call;
  };
  QDialog dialog;
  dialog.setWindowTitle("Options");
  const std::vector<Case> cases = {
      {"yesno", "Supprimer ?", [](ScriptedDialogs& d) { d.askYesNo("Supprimer ?", "c"); }},
      {"open", "Ouvrir un bloc", [](ScriptedDialogs& d) { d.openFile(titled("Ouvrir un bloc")); }},
      {"save", "Exporter", [](ScriptedDialogs& d) { d.saveFile(titled("Exporter")); }},
      {"input", "Largeur :", [](ScriptedDialogs& d) { d.inputBox("c", "Largeur :", "3"); }},
      {"colour", "", [](ScriptedDialogs& d) { d.pickColour(clWhite); }},
      {"font", "", [](ScriptedDialogs& d) { d.pickFont(Font{}); }},
      {"modal", "Options", [&](ScriptedDialogs& d) { d.showModal(dialog); }},
  };
  for (const Case& c : cases) {
    ScriptedDialogs d;
    try {
      c.call(d);
      ADD_FAILURE() << c.kind << " answered without a script";
    } catch (const std::logic_error& e) {
      const std::string what = e.what();
      EXPECT_NE(what.find(c.kind), std::string::npos) << what;
      if (*c.text) {
        EXPECT_NE(what.find(c.text), std::string::npos) << what;
      }
    }
  }

  // An answer is used once: the second question finds the queue empty.
  ScriptedDialogs d;
  d.queueYesNo(true);
  EXPECT_TRUE(d.askYesNo("Un", "c"));
  EXPECT_THROW(d.askYesNo("Deux", "c"), std::logic_error);
  EXPECT_EQ(d.callsOf("yesno").size(), 2u);
}

TEST(ScriptedDialogsTest, ModalActionEditsTheDialogBeforeAnswering) {
  QDialog dialog;
  dialog.setWindowTitle("Renommer");
  auto* edit = new QLineEdit("ancien", &dialog);
  (new QVBoxLayout(&dialog))->addWidget(edit);

  ScriptedDialogs d;
  std::string seen;
  d.queueModal(QDialog::Accepted, [&](QDialog& dlg) {
    auto* e = dlg.findChild<QLineEdit*>();
    ASSERT_NE(e, nullptr);
    seen = e->text().toStdString();
    e->setText("nouveau");
  });
  d.queueModal(QDialog::Rejected);

  EXPECT_EQ(d.showModal(dialog), QDialog::Accepted);
  EXPECT_EQ(seen, "ancien");
  EXPECT_EQ(edit->text(), "nouveau");
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(dialog.isVisible());

  EXPECT_EQ(d.showModal(dialog), QDialog::Rejected);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(edit->text(), "nouveau");
  EXPECT_TRUE(d.allAnswersUsed());
  ASSERT_EQ(d.callsOf("modal").size(), 2u);
  EXPECT_EQ(d.callsOf("modal")[0].text, "Renommer");
}

TEST(DialogsSeamTest, InstallsAndRestoresTheQtImplementation) {
  ScriptedDialogs scripted;
  setDialogs(&scripted);
  EXPECT_EQ(&dialogs(), &scripted);
  dialogs().error("Boum");
  ASSERT_EQ(scripted.calls().size(), 1u);
  EXPECT_EQ(scripted.calls()[0].caption, "Erreur");

  setDialogs(nullptr);
  Dialogs& restored = dialogs();
  EXPECT_NE(dynamic_cast<QtDialogs*>(&restored), nullptr);
  EXPECT_EQ(&dialogs(), &restored);  // the same instance every time
}
