#include "uPages.h"

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

TPage* TPage::FirstLayer() {
  TPage* l = this;
  while (l->Previous) l = l->Previous;
  return l;
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

Canvas& TPage::LayerCanvas() {
  if (paintCanvas_) return *paintCanvas_;
  Canvas fresh = canvas();
  if (!windowCanvas_) {
    windowCanvas_.emplace(fresh);
  } else {
    // Keep pen, brush and font: objects set them across calls (XOR while dragging).
    windowCanvas_->retarget(fresh);
  }
  return *windowCanvas_;
}

void TPage::paint(Canvas& canvas) {
  if (PaintingSuspended) return;
  if (!Visible) return;
  canvas.setBrushStyle(platform::BrushStyle::Clear);
  // White pixels of the picture leave the lower layers visible.
  if (Background) canvas.draw(BackgroundLeft, BackgroundTop, *Background, platform::RasterOp::And);
  struct Painting {
    Canvas*& slot;
    ~Painting() { slot = nullptr; }
  };
  paintCanvas_ = &canvas;
  Painting painting{paintCanvas_};
  for (auto& o : Curves) o->Draw();
  for (auto& o : Segments) o->Draw();
  for (auto& o : Points) o->Draw();
  for (auto& o : Arcs) o->Draw();
}
