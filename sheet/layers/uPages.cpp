#include "uPages.h"

#include <algorithm>

#include "sheet/layers/uOverlays.h"
#include "sheet/objects/ucalcul.h"

using platform::Canvas;

TPage* TPage::Create(TPage* previous, platform::Surface* panel) {
  auto* layer = new TPage();
  layer->Previous = previous;
  layer->Number = previous ? previous->Number + 1 : 1;
  layer->Name = "calque " + std::to_string(layer->Number);
  // A layer handles no input itself: the sheet's handlers receive it.
  if (previous) {
    layer->OnMouseDown = previous->OnMouseDown;
    layer->OnMouseMove = previous->OnMouseMove;
    layer->OnMouseUp = previous->OnMouseUp;
    layer->OnDragOver = previous->OnDragOver;
  }
  layer->setParent(panel);
  return layer;
}

TPage::TPage()
    : Serial([] {
        static uint64_t next = 0;
        return ++next;
      }()) {}

TPage::~TPage() = default;

void TPage::free() {
  Clear();
  delete this;
}

void TPage::freeAll() {
  TPage* layer = this;
  while (layer) {
    TPage* next = layer->Next;
    layer->free();
    layer = next;
  }
}

void TPage::SetBounds(int left, int top, int width, int height) {
  for (TPage* l = this; l; l = l->Next) l->setBounds(left, top, width, height);
}

TPage* TPage::LastLayer() {
  TPage* l = this;
  while (l->Next) l = l->Next;
  return l;
}

int TPage::LayerCount() const {
  int n = 0;
  for (const TPage* l = this; l; l = l->Next) ++n;
  return n;
}

TPage* TPage::LayerAt(int position) {
  if (position < 0) return nullptr;
  TPage* l = this;
  for (int i = 0; l && i < position; ++i) l = l->Next;
  return l;
}

int TPage::IndexOfLayer(const TPage* layer) const {
  int i = 0;
  for (const TPage* l = this; l; l = l->Next, ++i)
    if (l == layer) return i;
  return i;
}

TPage* TPage::ActiveLayer() {
  for (TPage* l = this; l; l = l->Next)
    if (l->Active) return l;
  return nullptr;
}

void TPage::raiseLayersChanged(TPage* sender) {
  if (OnLayersChanged) OnLayersChanged(sender);
}

void TPage::AddLayer() {
  TPage* last = LastLayer();
  TPage* added = Create(last, last->Panel());
  last->Next = added;
  added->setBounds(last->left(), last->top(), last->width(), last->height());
  added->OnLayersChanged = last->OnLayersChanged;
  last->raiseLayersChanged(last);
}

TPage* TPage::InsertLayer(int position) {
  TPage* a = position == 0 ? this : LayerAt(position - 1);
  if (!a || position < 0) return nullptr;
  TPage* n = Create(a, a->Panel());
  n->setBounds(a->left(), a->top(), a->width(), a->height());
  n->OnLayersChanged = a->OnLayersChanged;
  if (position == 0) {
    n->Previous = nullptr;
    n->Next = a;
    a->Previous = n;
  } else {
    n->Next = a->Next;
    n->Previous = a;
    a->Next = n;
    if (n->Next) n->Next->Previous = n;
  }
  n->raiseLayersChanged(n);
  return n;
}

TPage* TPage::DeleteLayer(int position) {
  TPage* first = this;
  TPage* d = LayerAt(position);
  if (!d) return first;
  if (d == first) first = d->Next;
  if (d->Previous) d->Previous->Next = d->Next;
  if (d->Next) d->Next->Previous = d->Previous;
  LayersChanged notify = d->OnLayersChanged;
  d->Next = d->Previous = nullptr;
  d->free();
  if (notify) notify(first);
  return first;
}

TPage* TPage::OtherActivatableLayer(int position) {
  int i = 0;
  for (TPage* l = this; l; l = l->Next, ++i)
    if (i != position && l->CanBeActive()) return l;
  return nullptr;
}

void TPage::SetActive(bool flag) {
  if (flag && (Protected || !Visible)) return;
  if (flag == Active) return;
  Active = flag;
  if (flag)
    RestackLayers();
  else
    SelectAll(false);
  for (auto& label : Labels) label->SetLayerActive(flag);
}

void TPage::ActivateOnly(int position) {
  int k = 0;
  for (TPage* l = this; l; l = l->Next, ++k) l->SetActive(k == position);
}

void TPage::ActivateFirstAvailable() {
  for (TPage* l = this; l; l = l->Next)
    if (l->CanBeActive()) {
      l->SetActive(true);
      return;
    }
}

void TPage::SetVisible(bool flag) {
  if (flag == Visible) return;
  Visible = flag;
  for (auto& label : Labels) label->SetLayerVisible(flag);
  RestackLayers();
}

void TPage::SetProtected(bool flag) {
  if (flag == Protected) return;
  Protected = flag;
  invalidate();
}

void TPage::Rename(const std::string& name) {
  if (name == Name) return;
  Name = name;
  raiseLayersChanged(this);
}

void TPage::Clear() {
  // Front to back, as the lists are emptied from the front.
  auto empty = [](auto& list) {
    while (!list.empty()) list.erase(list.begin());
  };
  empty(Curves);
  empty(Segments);
  empty(Points);
  empty(Arcs);
  empty(Labels);
  Background.reset();
  invalidate();
}

template <class F>
void TPage::forEachObject(F&& f) {
  for (auto& o : Curves) f(*o);
  for (auto& o : Segments) f(*o);
  for (auto& o : Points) f(*o);
  for (auto& o : Arcs) f(*o);
  for (auto& o : Labels) f(*o);
}

void TPage::SelectAll(bool selected) {
  forEachObject([selected](TObjetGraphique& o) { o.SetSelected(selected); });
}

void TPage::RestackLayers() {
  for (TPage* l = this; l; l = l->Next) {
    for (auto& label : l->Labels) label->bringToFront();
    l->bringToFront();
  }
}

void TPage::PlaceLabels() {
  TPage* first = FirstLayer();
  const platform::TPoint origin{first->left(), first->top()};
  for (TPage* l = first; l; l = l->Next)
    for (auto& label : l->Labels) label->PlaceOnPanel(origin);
}

// Labels follow both scroll directions: a label left behind by a horizontal scroll would
// sit over the wrong part of the drawing.
void TPage::FollowScroll() {
  PlaceLabels();
}

void TPage::TurnPage(bool landscape) {
  for (TPage* l = FirstLayer(); l; l = l->Next) {
    const int w = l->width(), h = l->height();
    l->forEachObject([&](TObjetGraphique& o) { o.QuarterTurn(landscape, w, h); });
  }
}

void TPage::SuspendPainting(bool flag) {
  for (TPage* l = this; l; l = l->Next) {
    if (l->PaintingSuspended == flag) continue;
    l->PaintingSuspended = flag;
    l->invalidate();
    l->setEnabled(!flag);
  }
}

TPage* TPage::FirstLayer() {
  return const_cast<TPage*>(std::as_const(*this).FirstLayer());
}

const TPage* TPage::FirstLayer() const {
  const TPage* l = this;
  while (l->Previous) l = l->Previous;
  return l;
}

platform::TPoint TPage::PanelOrigin() const {
  const TPage* first = FirstLayer();
  return {first->left(), first->top()};
}

void TPage::MarksFollowSelection(const TSegment& segment, bool selected) {
  FirstLayer()->MarkSegmentPoints(segment, selected);
}

TSegment* TPage::FindSegmentById(int32_t id) {
  for (TPage* l = FirstLayer(); l; l = l->Next)
    for (auto& s : l->Segments)
      if (s->id == id) return s.get();
  return nullptr;
}

// One canvas object for the layer's life, as a window canvas is: pen, brush and font set by
// one object (XOR while dragging) hold for the next draw, in a repaint or outside it.
Canvas& TPage::LayerCanvas() {
  if (!canvas_)
    canvas_.emplace(canvas());
  else if (!painting_)
    canvas_->retarget(canvas());
  return *canvas_;
}

void TPage::paint(Canvas& target) {
  if (PaintingSuspended) return;
  if (!Visible) return;
  Canvas& c = LayerCanvas();
  c.retarget(target);
  struct Painting {
    bool& flag;
    ~Painting() { flag = false; }
  };
  painting_ = true;
  Painting painting{painting_};
  c.setBrushStyle(platform::BrushStyle::Clear);
  // White pixels of the picture leave the lower layers visible.
  if (Background) c.draw(BackgroundLeft, BackgroundTop, *Background, platform::RasterOp::And);
  if (TPageOverlays* o = PageOverlays()) o->PaintOnLayer(c, {0, 0, width(), height()});
  for (auto& o : Curves) o->Draw();
  for (auto& o : Segments) o->Draw();
  for (auto& o : Points) o->Draw();
  for (auto& o : Arcs) o->Draw();
}

void TPage::PaintTo(Canvas& canvas, double scale) {
  for (TPage* l = this; l; l = l->Next) {
    if (!l->Visible) continue;
    canvas.setBrushStyle(platform::BrushStyle::Clear);
    if (l->Background) {
      const platform::Bitmap& b = *l->Background;
      const int32_t x = Nearest(l->BackgroundLeft * scale), y = Nearest(l->BackgroundTop * scale);
      canvas.stretchDraw(
          platform::rectXYWH(x, y, Nearest(b.width() * scale), Nearest(b.height() * scale)), b,
          platform::RasterOp::And);
    }
    if (TPageOverlays* o = PageOverlays())
      o->PaintScaled(canvas, {0, 0, l->width(), l->height()}, scale);
    for (auto& o : l->Curves) o->DrawScaled(canvas, scale);
    for (auto& o : l->Segments) o->DrawScaled(canvas, scale);
    for (auto& o : l->Points) o->DrawScaled(canvas, scale);
    for (auto& o : l->Arcs) o->DrawScaled(canvas, scale);
    for (auto& o : l->Labels) o->DrawScaled(canvas, scale);
  }
}

platform::TRect TPage::ContentBounds() {
  platform::TRect r{width(), height(), 0, 0};
  auto widen = [&r](const platform::TRect& b) {
    r.Left = std::min(r.Left, b.Left);
    r.Top = std::min(r.Top, b.Top);
    r.Right = std::max(r.Right, b.Right);
    r.Bottom = std::max(r.Bottom, b.Bottom);
  };
  TPage* last = this;
  for (TPage* l = this; l; l = l->Next) {
    for (auto& o : l->Curves) widen(o->GetBounds());
    for (auto& o : l->Arcs) widen(o->GetBounds());
    for (auto& o : l->Segments) widen(o->GetBounds());
    for (auto& o : l->Points) widen(o->GetBounds());
    for (auto& o : l->Labels) widen(o->boundsRect());
    last = l;
  }
  return r.translated(-last->left(), -last->top());
}

void TPage::PageDragOver(platform::Control& sender, platform::Control& dragged, int x, int y,
                         bool& accept) {
  if (!ActiveLayer()) return;
  accept = true;
  const platform::TPoint screen = sender.clientToScreen({x, y});
  platform::TPoint origin{0, 0};
  if (dragged.parent() && dragged.parent()->screenOrigin) origin = dragged.parent()->screenOrigin();
  dragged.setBounds(screen.x - origin.x, screen.y - origin.y, dragged.width(), dragged.height());
}
