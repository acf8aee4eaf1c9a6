#include "uHub.h"

#include "platform/Streams.h"

using protocol::Instrument;

namespace {
constexpr Instrument kWakeOrder[] = {Instrument::Ruler, Instrument::SetSquare, Instrument::Pencil,
                                     Instrument::Protractor, Instrument::Compass};
constexpr Instrument kDispatchOrder[] = {Instrument::Ruler, Instrument::SetSquare,
                                         Instrument::Pencil, Instrument::Compass,
                                         Instrument::Protractor};
}  // namespace

TInstrumentHub::TInstrumentHub(TMessenger& messenger) : m_(messenger) {
  state_.fill(kClosed);
}

void TInstrumentHub::Start() {
  for (const auto& info : protocol::instruments())
    msg_[idx(info.id)] = m_.RegisterMessage(info.messageName);
  // Forces the closed state and its cleared check mark whatever was stored.
  for (Instrument i : kWakeOrder) {
    state_[idx(i)] = kActive;
    changeState(i, kClosed);
  }
}

void TInstrumentHub::setChecked(Instrument i, bool c) {
  checked_[idx(i)] = c;
  if (OnCheckChanged) OnCheckChanged(i, c);
}

// Stores first and ignores repeats: that ends the chains of nested sends.
void TInstrumentHub::changeState(Instrument i, uint8_t s) {
  if (state_[idx(i)] == s) return;
  state_[idx(i)] = s;
  setChecked(i, s == kActive || s == kMinimised);
}

void TInstrumentHub::ChangePencilState(uint8_t s) {
  if (state_[idx(Instrument::Pencil)] == s) return;
  changeState(Instrument::Pencil, s);
  if (s != kActive) return;
  WakeInstruments();
  sendOutlinesToPencil();
}

// The pencil learns the active ruler's and set square's places: their state, then the outline.
void TInstrumentHub::sendOutlinesToPencil() {
  if (State(Instrument::Ruler) == kActive) {
    post(Instrument::Pencil, protocol::kRelayRulerState, 1);
    RegleChange(nullptr);
  }
  if (State(Instrument::SetSquare) == kActive) {
    post(Instrument::Pencil, protocol::kRelaySetSquareState, 1);
    equerreChange(nullptr);
  }
}

void TInstrumentHub::post(Instrument to, int64_t w, int64_t l) {
  if (Wnd(to)) m_.Post(Wnd(to), Message(to), w, l);
}

void TInstrumentHub::WakeInstruments() {
  for (Instrument i : kWakeOrder) {
    const auto& info = protocol::info(i);
    if (!wnd_[idx(i)]) wnd_[idx(i)] = m_.FindWindow(info.windowClass, info.caption);
    if (wnd_[idx(i)]) m_.Send(wnd_[idx(i)], msg_[idx(i)], protocol::kRequestWake, 0);
  }
}

bool TInstrumentHub::DefaultHandler(uint32_t msg, int64_t wParam, int64_t) {
  for (Instrument i : kDispatchOrder) {
    if (msg != msg_[idx(i)]) continue;
    switch (i) {
      case Instrument::Ruler:
        OnRulerMessage(wParam);
        break;
      case Instrument::SetSquare:
        OnSetSquareMessage(wParam);
        break;
      case Instrument::Pencil:
        OnPencilMessage(wParam);
        break;
      case Instrument::Compass:
        OnCompassMessage(wParam);
        break;
      case Instrument::Protractor:
        OnProtractorMessage(wParam);
        break;
    }
    return true;
  }
  return false;
}

void TInstrumentHub::stateMessage(Instrument i, int64_t w) {
  const auto s = protocol::sheetStateFromWire(w);
  if (!s) return;
  if (i == Instrument::Pencil)
    ChangePencilState(uint8_t(*s));
  else
    changeState(i, uint8_t(*s));
}

void TInstrumentHub::OnRulerMessage(int64_t w) {
  stateMessage(Instrument::Ruler, w);
  post(Instrument::Pencil, protocol::kRelayRulerState, w);
  post(Instrument::SetSquare, protocol::kRelayRulerState, w);
}

void TInstrumentHub::OnSetSquareMessage(int64_t w) {
  stateMessage(Instrument::SetSquare, w);
  post(Instrument::Pencil, protocol::kRelaySetSquareState, w);
}

void TInstrumentHub::OnPencilMessage(int64_t w) {
  stateMessage(Instrument::Pencil, w);
}
void TInstrumentHub::OnCompassMessage(int64_t w) {
  stateMessage(Instrument::Compass, w);
}
void TInstrumentHub::OnProtractorMessage(int64_t w) {
  stateMessage(Instrument::Protractor, w);
}

void TInstrumentHub::RegleChange(const std::vector<uint8_t>* record) {
  if (record) rulerCorners_.assign(record->begin(), record->begin() + protocol::kRulerCornersSize);
  if (State(Instrument::Pencil) == kActive)
    m_.SendRecord(Wnd(Instrument::Pencil), protocol::kRulerCornersCode, rulerCorners_);
  if (State(Instrument::SetSquare) == kActive)
    m_.SendRecord(Wnd(Instrument::SetSquare), protocol::kRulerCornersCode, rulerCorners_);
}

void TInstrumentHub::equerreChange(const std::vector<uint8_t>* record) {
  if (record) setSquareCorners_.assign(record->begin(), record->begin() + protocol::kSetSquareSize);
  if (State(Instrument::Pencil) == kActive)
    m_.SendRecord(Wnd(Instrument::Pencil), protocol::kSetSquareCode, setSquareCorners_);
}

void TInstrumentHub::WMCopyData(uint64_t code, std::span<const uint8_t> bytes) {
  const auto from = protocol::instrumentForRecordCode(code);
  if (!from || State(*from) != kActive) return;
  // A record shorter than its layout is dropped, never read past its end.
  try {
    switch (*from) {
      case Instrument::Ruler: {
        protocol::decodeRulerCorners(bytes);
        const std::vector<uint8_t> copy(bytes.begin(), bytes.end());
        RegleChange(&copy);
        break;
      }
      case Instrument::Pencil:
        if (OnPencilRecord) OnPencilRecord(protocol::decodePencil(bytes));
        break;
      case Instrument::SetSquare: {
        protocol::decodeSetSquare(bytes);
        const std::vector<uint8_t> copy(bytes.begin(), bytes.end());
        equerreChange(&copy);
        break;
      }
      case Instrument::Compass:
        if (OnCompassRecord) OnCompassRecord(protocol::decodeCompass(bytes));
        break;
      case Instrument::Protractor:
        break;
    }
  } catch (const platform::StreamError&) {
  }
}

void TInstrumentHub::RelayPencilPosition(const protocol::PencilRecord& r) {
  const std::vector<uint8_t> position = protocol::encode(protocol::positionOf(r));
  for (Instrument to : {Instrument::Ruler, Instrument::SetSquare, Instrument::Protractor})
    if (Wnd(to)) m_.SendRecord(Wnd(to), protocol::kPencilCode, position);
}

void TInstrumentHub::MenuClick(Instrument i) {
  setChecked(i, !Checked(i));
  if (!Checked(i)) {
    post(i, protocol::kRequestClose, 0);
    return;
  }
  const auto& info = protocol::info(i);
  m_.StartProgram(info.program, info.windowClass, info.caption);
  wnd_[idx(i)] = m_.FindWindow(info.windowClass, info.caption);
  if (!wnd_[idx(i)]) {
    state_[idx(i)] = kClosed;
    setChecked(i, false);
    return;
  }
  m_.Send(wnd_[idx(i)], msg_[idx(i)], protocol::kRequestWake, 0);
  if (i == Instrument::Pencil) {
    sendOutlinesToPencil();
  } else if (i == Instrument::SetSquare && State(Instrument::Ruler) == kActive) {
    post(Instrument::SetSquare, protocol::kRelayRulerState, 1);
    RegleChange(nullptr);
  }
}

void TInstrumentHub::FormClose() {
  for (Instrument i : kWakeOrder) post(i, protocol::kRequestClose, 0);
}
