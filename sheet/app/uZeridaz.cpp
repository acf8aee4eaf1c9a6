#include "uZeridaz.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/Dialogs.h"
#include "platform/Screen.h"
#include "sheet/app/uCurseurs.h"
#include "sheet/app/uLayerTabs.h"
#include "sheet/layers/uChangeRecorder.h"
#include "sheet/layers/uSettings.h"
#include "sheet/overlays/UGrille.h"

namespace {
QWidget* makeCentral(QWidget* owner) {
  auto* w = new QWidget(owner);
  w->setObjectName("central");
  return w;
}
}  // namespace

TFZeridazKWZ::TFZeridazKWZ(QWidget* parent)
    : QMainWindow(parent),
      layout_(makeCentral(this)),
      endpoint_(std::string(protocol::kSheetWindowClass), "Zeridaz"),
      messenger_(endpoint_),
      hub_(messenger_),
      drawing_({[this] { return firstLayer_; },
                [this](platform::TPoint p) { return ScreenToPage(p); },
                [this](const protocol::PencilRecord& r) { hub_.RelayPencilPosition(r); }}) {
  setObjectName("FZeridazKWZ");
  setWindowTitle("Zeridaz");
  QWidget* central = layout_.Panel6->parentWidget();
  setCentralWidget(central);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(187, 187, 255));
  setPalette(pal);
  setAutoFillBackground(true);

  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  Panel2 = new QWidget(central);
  Panel2->setObjectName("Panel2");
  Panel2->setFixedHeight(34);
  Panel2->setAutoFillBackground(true);
  QPalette sky = Panel2->palette();
  sky.setColor(QPalette::Window, QColor(166, 202, 240));
  Panel2->setPalette(sky);
  column->addWidget(Panel2);
  column->addWidget(layout_.Panel6, 1);
  TabSetPages = new QTabBar(central);
  TabSetPages->setObjectName("TabSetPages");
  TabSetPages->setShape(QTabBar::RoundedSouth);
  TabSetPages->setDrawBase(false);
  TabSetPages->setExpanding(false);
  column->addWidget(TabSetPages, 0, Qt::AlignLeft);

  layout_.FollowPage(&firstLayer_);
  buildMenus();
  AboutBox = new TAboutBox(this);
  FormCreate();
}

TFZeridazKWZ::~TFZeridazKWZ() {
  if (ChangeRecorder() == journal_.get()) SetChangeRecorder(nullptr);
  setFirstLayer(nullptr);
}

void TFZeridazKWZ::buildMenus() {
  QMenuBar* bar = menuBar();
  Fichiers1 = bar->addMenu("&Fichiers");
  Quitter1 = Fichiers1->addAction("&Quitter");
  Quitter1->setShortcut(QKeySequence("Ctrl+Q"));
  connect(Quitter1, &QAction::triggered, this, [this] { Quitter1Click(); });
  Edition1 = bar->addMenu("&Edition");
  Annuler1 = Edition1->addAction(QString::fromUtf8("&Défaire"));
  Annuler1->setShortcut(QKeySequence("Ctrl+Z"));
  connect(Annuler1, &QAction::triggered, this, [this] { Annuler1Click(); });
  Refaire1 = Edition1->addAction("&Refaire");
  Refaire1->setShortcut(QKeySequence("Ctrl+Alt+Z"));
  connect(Refaire1, &QAction::triggered, this, [this] { Refaire1Click(); });
  connect(Edition1, &QMenu::aboutToShow, this, [this] { UpdateEditMenu(); });
  Instruments1 = bar->addMenu("Instruments");
  auto item = [this](const char* caption, void (TInstrumentHub::*click)()) {
    QAction* a = Instruments1->addAction(QString::fromUtf8(caption));
    a->setCheckable(true);
    connect(a, &QAction::triggered, this, [this, click] { (hub_.*click)(); });
    return a;
  };
  Crayon1 = item("&Crayon", &TInstrumentHub::Crayon1Click);
  Rgle1 = item("&Règle", &TInstrumentHub::Rgle1Click);
  Equerre1 = item("&Equerre", &TInstrumentHub::Equerre1Click);
  Compas1 = item("Com&pas", &TInstrumentHub::Compas1Click);
  Rapporteur1 = item("&Rapporteur", &TInstrumentHub::Rapporteur1Click);
  Calques1 = bar->addMenu("&Calques");
  Image1 = bar->addMenu("Image");
  Image1->menuAction()->setVisible(false);  // shown only in image mode
  Options1 = bar->addMenu("Options");
  Gnrales1 = Options1->addAction(QString::fromUtf8("Générales"));
  TOverlayMenu::Deps overlayDeps{[this] { return int(Orientation); },
                                 [this](platform::TPoint p) { return ScreenToPage(p); },
                                 [this] { RepaintPage(); }};
  overlayDeps.optionsGridBox = [this] { return DlgOptions && DlgOptions->ChBGrille->isChecked(); };
  // The menu items set the switches and the matching boxes of the options dialog.
  overlayDeps.switchesChanged = [this](bool grid, bool frame) {
    DlgOptions->ChBGrille->setChecked(grid);
    DlgOptions->chbRepere->setChecked(frame);
  };
  overlays_ = std::make_unique<TOverlayMenu>(this, *Options1, std::move(overlayDeps));
  DlgOptions = new TDlgOptions(*overlays_->DlgGrille, *overlays_->DlgRepere, this);
  DlgOptions->Sheet.Orientation = [this] { return Orientation; };
  DlgOptions->Sheet.ChangeOrientation = [this](uint8_t o) { ChangeOrientation(o); };
  DlgOptions->Sheet.DragDropEnabled = [] { return DragDropEnabled; };
  DlgOptions->Sheet.CopyPasteEnabled = [] { return CopyPasteEnabled; };
  DlgOptions->Sheet.SetEditOptions = [](bool drag, bool copy) {
    DragDropEnabled = drag;
    CopyPasteEnabled = copy;
  };
  DlgOptions->RepaintWorkArea = [this] { RepaintPage(); };
  connect(Gnrales1, &QAction::triggered, this, [this] { Gnrales1Click(); });
  Apropos1 = bar->addAction("A propos");
  connect(Apropos1, &QAction::triggered, this, [this] { Apropos1Click(); });
  Aide1 = bar->addAction("Aide");
  Aide1->setShortcut(QKeySequence(Qt::Key_F1));
  Aide1->setEnabled(false);  // the help page is opened by the document commands
}

QAction* TFZeridazKWZ::instrumentItem(protocol::Instrument i) const {
  switch (i) {
    case protocol::Instrument::Ruler:
      return Rgle1;
    case protocol::Instrument::Pencil:
      return Crayon1;
    case protocol::Instrument::SetSquare:
      return Equerre1;
    case protocol::Instrument::Compass:
      return Compas1;
    case protocol::Instrument::Protractor:
      return Rapporteur1;
  }
  return nullptr;
}

int64_t TFZeridazKWZ::WndProc(const platform::Message& m) {
  if (m.msg == platform::WM_COPYDATA && m.copyData)
    hub_.WMCopyData(m.copyData->code, m.copyData->bytes);
  else
    hub_.DefaultHandler(m.msg, int64_t(m.wParam), m.lParam);
  return 0;
}

void TFZeridazKWZ::FormCreate() {
  hub_.OnCheckChanged = [this](protocol::Instrument i, bool checked) {
    instrumentItem(i)->setChecked(checked);
  };
  hub_.OnPencilRecord = [this](const protocol::PencilRecord& r) { drawing_.crayonChange(r); };
  hub_.OnCompassRecord = [this](const protocol::CompassRecord& r) { drawing_.compasChange(r); };
  hub_.Start();
  endpoint_.setHandler([this](const platform::Message& m) { return WndProc(m); });
  LoadCursors();
  ProgramDir = platform::programDir();
  JournalDir = ProgramDir;
  journal_ = std::make_unique<TJournal>(
      JournalDir, [this]() -> TPage*& { return firstLayer_; },
      [this]() -> platform::Bitmap& { return layout_.FondBloc.picture(); });
  journal_->OpenJournal();
  SetChangeRecorder(journal_.get());
  OptionsPath = ProgramDir + "Zeridazs.opt";
  BlockOpenDir = BlockSaveDir = ProgramDir;
  SetFileName("SansNom.blc");
  ImageMode = 0;
  PaintColour = 255;
  EraserSize = 4;
  const std::string documents = platform::documentsDir();
  BlockOpenDir = LayerImportDir = PictureDir = documents;
}

void TFZeridazKWZ::setFirstLayer(TPage* first) {
  if (firstLayer_ && firstLayer_ != first) firstLayer_->freeAll();
  firstLayer_ = first;
}

void TFZeridazKWZ::CreateFirstLayer() {
  TPage* first = TPage::Create(nullptr, &layout_.Panel6->surface());
  first->OnLayersChanged = [this](TPage*) { RebuildTabs(); };
  const TPageSize size = PageSizeFor(Orientation, platform::screenPixelsPerInch());
  first->SetBounds(0, 0, size.width, size.height);
  first->ActivateOnly(0);
  setFirstLayer(first);
  RebuildTabs();
}

void TFZeridazKWZ::RepaintPage() {
  layout_.Panel6->surface().invalidateAll();
}

void TFZeridazKWZ::RebuildTabs() {
  ::RebuildTabs(*TabSetPages, firstLayer_);
}

void TFZeridazKWZ::FormActivate() {
  if (FirstActivation) {
    // Before the page exists: a saved "Paysage" or "Gros" holds from the start.
    DlgOptions->LoadSheetOptions();
    overlays_->SyncChecks();
    CreateFirstLayer();
    CentrePage();
    FirstActivation = false;
  }
  AdjustScrollBars();
  LayOutPaper();
  hub_.WakeInstruments();
  UpdateEditMenu();
}

void TFZeridazKWZ::ChangeOrientation(uint8_t o) {
  if (o == Orientation) return;
  Orientation = o;
  if (!firstLayer_) return;
  firstLayer_->TurnPage(o == 1);
  const TPageSize size = PageSizeFor(o, platform::screenPixelsPerInch());
  firstLayer_->SetBounds(0, 0, size.width, size.height);
  CentrePage();
  firstLayer_->PlaceLabels();
  AdjustScrollBars();
  LayOutPaper();
}

void TFZeridazKWZ::SetFileName(const std::string& name) {
  FileName = name;
  setWindowTitle(QString::fromStdString("Bloc : " + name));
  endpoint_.setCaption("Bloc : " + name);
}

platform::TPoint TFZeridazKWZ::ScreenToPage(platform::TPoint screen) const {
  if (!firstLayer_) return screen;
  const platform::TPoint origin = firstLayer_->clientToScreen({0, 0});
  return {screen.x - origin.x, screen.y - origin.y};
}

void TFZeridazKWZ::FormCloseQuery(bool& canClose) {
  // Closing is always allowed; the save question joins with the document commands.
  canClose = true;
}

void TFZeridazKWZ::FormClose() {
  hub_.FormClose();
  if (ChangeRecorder() == journal_.get()) SetChangeRecorder(nullptr);
  journal_->CloseJournal();
}

void TFZeridazKWZ::UpdateEditMenu() {
  Annuler1->setEnabled(journal_->CanUndo());
  Refaire1->setEnabled(journal_->CanRedo());
}

// A journal record that cannot be read ends the command with the error box; the sheet goes on.
void TFZeridazKWZ::Annuler1Click() {
  try {
    journal_->Undo();
  } catch (const platform::StreamError& e) {
    platform::dialogs().error(e.what());
  }
  RebuildTabs();
  RepaintPage();
  UpdateEditMenu();
}

void TFZeridazKWZ::Refaire1Click() {
  try {
    journal_->Redo();
  } catch (const platform::StreamError& e) {
    platform::dialogs().error(e.what());
  }
  RebuildTabs();
  RepaintPage();
  UpdateEditMenu();
}

void TFZeridazKWZ::Quitter1Click() {
  close();
}

void TFZeridazKWZ::Gnrales1Click() {
  platform::dialogs().showModal(*DlgOptions);
  overlays_->SyncChecks();
  RepaintPage();
}

void TFZeridazKWZ::Apropos1Click() {
  platform::dialogs().showModal(*AboutBox);
}

bool TFZeridazKWZ::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) FormActivate();
  return QMainWindow::event(e);
}

void TFZeridazKWZ::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  // Without a window manager the window may never be activated; the page must still appear.
  QTimer::singleShot(0, this, [this] {
    if (FirstActivation) FormActivate();
  });
}

void TFZeridazKWZ::closeEvent(QCloseEvent* e) {
  bool canClose = true;
  FormCloseQuery(canClose);
  if (!canClose) {
    e->ignore();
    return;
  }
  FormClose();
  e->accept();
}
