#pragma once
// The sheet's main window: owns the widgets, the window state and the first layer, and
// wires events to the classes that carry each concern.
#include <QMainWindow>
#include <QMenu>
#include <QTabBar>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Messaging.h"
#include "platform/Types.h"
#include "sheet/app/uApropos.h"
#include "sheet/app/uHub.h"
#include "sheet/app/uInstrumentDrawing.h"
#include "sheet/app/uOverlayMenu.h"
#include "sheet/app/uPageLayout.h"
#include "sheet/app/uPlatformMessenger.h"
#include "sheet/layers/uJournal.h"
#include "sheet/layers/uPages.h"
#include "sheet/overlays/UDlgOptions.h"

class TFZeridazKWZ : public QMainWindow {
 public:
  explicit TFZeridazKWZ(QWidget* parent = nullptr);
  ~TFZeridazKWZ() override;

  void FormCreate();
  void FormActivate();
  void FormCloseQuery(bool& canClose);
  void FormClose();
  void Quitter1Click();
  void Apropos1Click();
  void Gnrales1Click();
  void Annuler1Click();
  void Refaire1Click();
  // Menu items follow the journal and the selection.
  void UpdateEditMenu();
  TJournal& Journal() { return *journal_; }

  void CreateFirstLayer();
  void CentrePage() { layout_.CentrePage(); }
  void LayOutPaper() { layout_.LayOutPaper(ImageMode == 0); }
  void AdjustScrollBars() { layout_.AdjustScrollBars(); }
  void ScrollBar1Change() { layout_.ScrollBar1Change(); }
  void ScrollBar2Change() { layout_.ScrollBar2Change(); }
  void ChangeOrientation(uint8_t o);
  void SetFileName(const std::string& name);
  platform::TPoint ScreenToPage(platform::TPoint screen) const;
  void RebuildTabs();

  TPage* FirstLayer() const { return firstLayer_; }
  TPageLayout& Layout() { return layout_; }
  TInstrumentHub& Hub() { return hub_; }
  TInstrumentDrawing& Drawing() { return drawing_; }
  TOverlayMenu& Overlays() { return *overlays_; }
  // Repaints the whole work area: page, layers, grid and frame.
  void RepaintPage();
  const platform::MessageEndpoint& Endpoint() const { return endpoint_; }

  // Every message that reaches the sheet's window from another program.
  int64_t WndProc(const platform::Message& m);

  // Window state read and written by the concerns.
  std::string FileName;
  uint8_t Orientation = 0;
  uint8_t ImageMode = 0;
  uint8_t ImageTool = 0;
  platform::TColor PaintColour = 255;
  int32_t EraserSize = 4;
  bool FirstActivation = true;
  std::string ProgramDir;
  std::string OptionsPath;
  std::string JournalDir;
  std::string BlockOpenDir, BlockSaveDir, LayerImportDir, PictureDir;

  QWidget* Panel2 = nullptr;
  QTabBar* TabSetPages = nullptr;
  QMenu *Fichiers1 = nullptr, *Edition1 = nullptr, *Instruments1 = nullptr, *Calques1 = nullptr,
        *Image1 = nullptr, *Options1 = nullptr;
  QAction *Quitter1 = nullptr, *Apropos1 = nullptr, *Aide1 = nullptr;
  QAction* Gnrales1 = nullptr;
  QAction *Annuler1 = nullptr, *Refaire1 = nullptr;
  QAction *Crayon1 = nullptr, *Rgle1 = nullptr, *Equerre1 = nullptr, *Compas1 = nullptr,
          *Rapporteur1 = nullptr;
  TAboutBox* AboutBox = nullptr;
  TDlgOptions* DlgOptions = nullptr;

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void buildMenus();
  void setFirstLayer(TPage* first);

  QAction* instrumentItem(protocol::Instrument i) const;

  TPageLayout layout_;
  TPage* firstLayer_ = nullptr;
  platform::MessageEndpoint endpoint_;
  TPlatformMessenger messenger_;
  TInstrumentHub hub_;
  TInstrumentDrawing drawing_;
  std::unique_ptr<TOverlayMenu> overlays_;
  std::unique_ptr<TJournal> journal_;
};
