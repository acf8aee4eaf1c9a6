#pragma once
// The instrument hub: starts, finds, wakes and closes the instrument programs, keeps one state
// per instrument with its menu check mark, and relays outlines and positions between them.
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "protocol/Protocol.h"
#include "sheet/app/uMessenger.h"

class TInstrumentHub {
 public:
  using Instrument = protocol::Instrument;
  // The sheet's state bytes.
  static constexpr uint8_t kActive = 0, kMinimised = 1, kClosed = 2;

  explicit TInstrumentHub(TMessenger& messenger);

  // Registers the five message names and puts every instrument in the closed state, in the
  // order ruler, set square, pencil, protractor, compass.
  void Start();

  uint64_t Wnd(Instrument i) const { return wnd_[idx(i)]; }
  uint8_t State(Instrument i) const { return state_[idx(i)]; }
  bool Checked(Instrument i) const { return checked_[idx(i)]; }
  uint32_t Message(Instrument i) const { return msg_[idx(i)]; }
  const std::vector<uint8_t>& RulerCorners() const { return rulerCorners_; }
  const std::vector<uint8_t>& SetSquareCorners() const { return setSquareCorners_; }

  void ChangeRulerState(uint8_t s) { changeState(Instrument::Ruler, s); }
  void ChangeSetSquareState(uint8_t s) { changeState(Instrument::SetSquare, s); }
  void ChangeCompassState(uint8_t s) { changeState(Instrument::Compass, s); }
  void ChangeProtractorState(uint8_t s) { changeState(Instrument::Protractor, s); }
  // When the pencil becomes active it gets the outlines the sheet holds.
  void ChangePencilState(uint8_t s);

  void WakeInstruments();
  // A message that reached the sheet's window: true when it was an instrument's message.
  bool DefaultHandler(uint32_t msg, int64_t wParam, int64_t lParam);
  void OnRulerMessage(int64_t w);
  void OnSetSquareMessage(int64_t w);
  void OnPencilMessage(int64_t w);
  void OnCompassMessage(int64_t w);
  void OnProtractorMessage(int64_t w);
  // nullptr re-sends the record kept.
  void RegleChange(const std::vector<uint8_t>* record);
  void equerreChange(const std::vector<uint8_t>* record);
  // Records of an active instrument go to their handler; short records, unknown codes and
  // records of an inactive instrument are dropped.
  void WMCopyData(uint64_t code, std::span<const uint8_t> bytes);

  // The menu items "&Crayon", "&Règle", "&Equerre", "Com&pas", "&Rapporteur".
  void MenuClick(Instrument i);
  void Crayon1Click() { MenuClick(Instrument::Pencil); }
  void Rgle1Click() { MenuClick(Instrument::Ruler); }
  void Equerre1Click() { MenuClick(Instrument::SetSquare); }
  void Compas1Click() { MenuClick(Instrument::Compass); }
  void Rapporteur1Click() { MenuClick(Instrument::Protractor); }

  // Every instrument ever found is asked to close.
  void FormClose();

  // The pencil's position goes to the ruler, the set square and the protractor, each whose
  // window is known.
  void RelayPencilPosition(const protocol::PencilRecord& r);

  // Told when a check mark changes, so the window updates its menu.
  std::function<void(Instrument, bool)> OnCheckChanged;
  std::function<void(const protocol::PencilRecord&)> OnPencilRecord;
  std::function<void(const protocol::CompassRecord&)> OnCompassRecord;

 private:
  static size_t idx(Instrument i) { return size_t(i); }
  void changeState(Instrument i, uint8_t s);
  void setChecked(Instrument i, bool c);
  void stateMessage(Instrument i, int64_t w);
  void post(Instrument to, int64_t w, int64_t l);
  void sendOutlinesToPencil();

  TMessenger& m_;
  std::array<uint64_t, protocol::kInstrumentCount> wnd_{};
  std::array<uint8_t, protocol::kInstrumentCount> state_{};
  std::array<bool, protocol::kInstrumentCount> checked_{};
  std::array<uint32_t, protocol::kInstrumentCount> msg_{};
  std::vector<uint8_t> rulerCorners_ = std::vector<uint8_t>(protocol::kRulerCornersSize, 0);
  std::vector<uint8_t> setSquareCorners_ = std::vector<uint8_t>(protocol::kSetSquareSize, 0);
};
