// Editing operations of the active layer: creating objects, selection, groups, moves,
// deletion, marks and merging. Active-layer operations are called on the first layer and
// performed by the first active layer; the others act on the layer they are called on.
#include <algorithm>

#include "sheet/layers/uChangeRecorder.h"
#include "sheet/layers/uPages.h"
#include "sheet/layers/uSettings.h"
#include "sheet/objects/ucalcul.h"

using platform::TColor;
using platform::TPoint;

namespace {
template <class List, class F>
void each(List& list, F&& f) {
  for (auto& o : list) f(*o);
}
template <class List>
bool anySelected(const List& list) {
  return std::any_of(list.begin(), list.end(), [](const auto& o) { return o->Selected(); });
}
}  // namespace

// ---- Creating objects ----

void TPage::StartCurve(TPoint start, uint8_t width, TColor colour) {
  if (TPage* a = ActiveLayer())
    a->Curves.push_back(std::make_unique<TCourbeLibre>(start, *a, colour, width));
}

void TPage::ExtendCurve(TPoint p) {
  TPage* a = ActiveLayer();
  if (a && !a->Curves.empty()) a->Curves.back()->AddPoint(p);
}

void TPage::ExtendCurveArc(TPoint lead, TPoint needle) {
  TPage* a = ActiveLayer();
  if (a && !a->Curves.empty()) a->Curves.back()->AddCompassPoint(lead, needle);
}

bool TPage::CurveToSegment() {
  TPage* a = ActiveLayer();
  if (!a || a->Curves.empty()) return false;
  TCourbeLibre& curve = *a->Curves.back();
  const platform::TRect r = curve.SegmentEnds();
  bool made = false;
  if (r.Left > 0 && r.Right > 0) {
    auto s = std::make_unique<TSegment>(1, *a, curve.Width(), TPoint{r.Left, r.Top},
                                        TPoint{r.Right, r.Bottom});
    s->SetColor(curve.Color());
    s->InvalidateBounds();
    a->Segments.push_back(std::move(s));
    made = true;
  }
  // The stroke's own pixels may lie outside the new figure: repaint where it was.
  curve.InvalidateBounds();
  a->Curves.pop_back();
  return made;
}

bool TPage::CurveToArc(TPoint needle) {
  TPage* a = ActiveLayer();
  if (!a || a->Curves.empty()) return false;
  TCourbeLibre& curve = *a->Curves.back();
  const platform::TRect r = curve.ArcSweep(needle);
  bool made = false;
  if (r.Left > 0 || r.Right > 0) {
    auto arc = std::make_unique<TArc>(1, *a, curve.Width(), TPoint{r.Right, r.Bottom},
                                      TPoint{r.Left, r.Top}, needle);
    arc->SetColor(curve.Color());
    arc->InvalidateBounds();
    a->Arcs.push_back(std::move(arc));
    made = true;
  }
  curve.InvalidateBounds();
  a->Curves.pop_back();
  return made;
}

void TPage::PlacePoint(TPoint p) {
  TPage* a = ActiveLayer();
  if (!a) return;
  a->Points.push_back(std::make_unique<TPointG>(p, nullptr, *a, 2));
  if (DragDropEnabled) a->Points.back()->SetSelected(true);
}

void TPage::AddStyledPoint(TPoint p, uint8_t width, TColor colour) {
  TPage* a = ActiveLayer();
  if (!a) return;
  a->Points.push_back(std::make_unique<TPointG>(p, nullptr, *a, width));
  a->Points.back()->SetColor(colour);
}

void TPage::AddMark(TPoint p) {
  TPage* a = ActiveLayer();
  if (!a) return;
  TSegment* segment = a->FirstSelectedSegment();
  a->Points.push_back(std::make_unique<TPointG>(p, segment, *a, uint8_t(PointSize + 1)));
  TPointG& mark = *a->Points.back();
  a->SelectAll(false);
  mark.SnapToSegment();
  mark.SetSelected(true);
  if (!DragDropEnabled) mark.SetSelected(false);
}

void TPage::AddLabel(TPoint page, const std::string& text, const platform::Font& font) {
  TPage* a = ActiveLayer();
  if (!a) return;
  a->Labels.push_back(std::make_unique<TLibelle>(page, *a, font, text));
  TLibelle& label = *a->Labels.back();
  label.SetLayerActive(true);
  if (DragDropEnabled) label.SetSelected(true);
}

// ---- Selection and queries ----

void TPage::HitSelect(int32_t x, int32_t y, bool add, int32_t& group) {
  TPage* a = ActiveLayer();
  if (!a) return;
  auto visit = [&](TObjetGraphique& o) {
    if (o.HitTest(x, y)) {
      o.SetSelected(true);
      group = o.CurrentGroup();
    } else if (!add) {
      o.SetSelected(false);
    }
  };
  each(a->Curves, visit);
  each(a->Arcs, visit);
  each(a->Points, visit);
  each(a->Segments, visit);
  each(a->Labels, visit);
}

void TPage::SelectGroup(int32_t g) {
  TPage* a = ActiveLayer();
  if (!a) return;
  auto visit = [g](TObjetGraphique& o) {
    if (o.CurrentGroup() == g) o.SetSelected(true);
  };
  each(a->Segments, visit);
  each(a->Points, visit);
  each(a->Arcs, visit);
  each(a->Curves, visit);
  each(a->Labels, visit);
}

bool TPage::HasObjects() {
  TPage* a = ActiveLayer();
  return a && !(a->Curves.empty() && a->Segments.empty() && a->Points.empty() && a->Arcs.empty() &&
                a->Labels.empty());
}

// With no active layer nothing is selected: the commands that act on a selection stay off.
bool TPage::HasSelection() {
  TPage* a = ActiveLayer();
  return a && (anySelected(a->Curves) || anySelected(a->Arcs) || anySelected(a->Segments) ||
               anySelected(a->Points) || anySelected(a->Labels));
}

bool TPage::HasMultipleSelection() {
  TPage* a = ActiveLayer();
  if (!a) return false;
  int n = 0;
  auto count = [&n](const TObjetGraphique& o) { n += o.Selected() ? 1 : 0; };
  each(a->Curves, count);
  each(a->Arcs, count);
  each(a->Segments, count);
  for (auto& p : a->Points)
    if (p->Selected() && !p->segment) ++n;  // marks go with their segment
  each(a->Labels, count);
  return n > 1;
}

int32_t TPage::SelectionGroup() {
  TPage* a = ActiveLayer();
  if (!a) return 0;
  bool any = false, same = true;
  int32_t g = 0;
  auto visit = [&](const TObjetGraphique& o) {
    if (!o.Selected()) return;
    if (!any) {
      g = o.CurrentGroup();
      any = true;
    } else if (o.CurrentGroup() != g) {
      same = false;
    }
  };
  each(a->Curves, visit);
  each(a->Arcs, visit);
  each(a->Segments, visit);
  each(a->Points, visit);
  each(a->Labels, visit);
  return any && same && g > 0 ? g : 0;
}

bool TPage::GroupInUse(int32_t g) {
  auto in = [g](const auto& list) {
    return std::any_of(list.begin(), list.end(), [g](const auto& o) { return o->InGroup(g); });
  };
  return in(Segments) || in(Points) || in(Arcs) || in(Curves) || in(Labels);
}

int32_t TPage::FreeGroupNumber() {
  TPage* a = ActiveLayer();
  if (!a) return 1;
  int32_t g = 1;
  while (a->GroupInUse(g)) ++g;
  return g;
}

void TPage::Group() {
  TPage* a = ActiveLayer();
  if (!a || SelectionGroup() > 0) return;
  const int32_t g = FreeGroupNumber();
  auto push = [g](TObjetGraphique& o) {
    if (o.Selected()) o.PushGroup(g);
  };
  each(a->Segments, push);
  each(a->Points, push);
  each(a->Arcs, push);
  each(a->Curves, push);
  each(a->Labels, push);
}

void TPage::Ungroup(int32_t g) {
  TPage* a = ActiveLayer();
  if (!a) return;
  auto pop = [g](TObjetGraphique& o) {
    if (o.Selected()) o.PopGroup(g);
  };
  each(a->Segments, pop);
  each(a->Points, pop);
  each(a->Arcs, pop);
  each(a->Curves, pop);
  each(a->Labels, pop);
}

// ---- Deletion ----

template <class T>
void TPage::deleteAt(TObjectList<T>& list, size_t i, uint8_t recordKind, bool invalidate) {
  LastDeletedIndex = int32_t(i);
  if (TChangeRecorder* r = ChangeRecorder()) r->RecordChange(recordKind, *this);
  const platform::TRect bounds = list[i]->GetBounds();
  if constexpr (std::is_same_v<T, TSegment>) {
    // Marks never point at a freed segment. Those deleted with it still record its id.
    for (auto& p : Points)
      if (p->segment == list[i].get()) p->DetachFromSegment();
  }
  list.erase(list.begin() + ptrdiff_t(i));
  if (invalidate && Owner()) Owner()->invalidate(bounds, true);
}

void TPage::DeleteSelection() {
  TPage* a = ActiveLayer();
  if (!a) return;
  auto sweep = [a](auto& list, uint8_t kind, bool invalidate) {
    for (size_t i = 0; i < list.size();) {
      if (!list[i]->Selected())
        ++i;
      else
        a->deleteAt(list, i, kind, invalidate);
    }
  };
  sweep(a->Curves, 5, true);
  sweep(a->Segments, 6, true);
  sweep(a->Points, 7, true);
  sweep(a->Arcs, 8, true);
  sweep(a->Labels, 9, false);
  for (auto& p : a->Points) p->ForgetDetachedSegment();
}

// ---- Moving, rotating, mirroring, styling ----

bool TPage::GrabBackground(int32_t x, int32_t y) {
  TPage* a = ActiveLayer();
  if (!a) return false;
  a->BackgroundGrabbed = false;
  if (!a->Background) return false;
  const platform::Bitmap& b = *a->Background;
  const platform::TRect r =
      platform::rectXYWH(a->BackgroundLeft, a->BackgroundTop, b.width(), b.height());
  if (!r.contains(x, y)) return false;
  const TColor c = b.pixel(x - a->BackgroundLeft, y - a->BackgroundTop);
  a->BackgroundGrabbed = c != platform::clWhite && c != platform::clInvalid;
  return a->BackgroundGrabbed;
}

void TPage::MoveSelection(int32_t dx, int32_t dy) {
  TPage* a = ActiveLayer();
  if (!a) return;
  if (a->BackgroundGrabbed && a->Background) {
    const platform::Bitmap& b = *a->Background;
    const platform::TPoint o = a->PanelOrigin();
    const platform::TRect before =
        platform::rectXYWH(a->BackgroundLeft + o.x, a->BackgroundTop + o.y, b.width(), b.height());
    a->BackgroundLeft += dx;
    a->BackgroundTop += dy;
    if (Owner()) Owner()->invalidate(before.united(before.translated(dx, dy)), false);
  }
  auto move = [dx, dy](TObjetGraphique& o) {
    if (o.Selected()) o.MoveBy(dx, dy);
  };
  each(a->Curves, move);
  each(a->Arcs, move);
  each(a->Segments, move);
  each(a->Points, move);
  each(a->Labels, move);
}

void TPage::EndMove() {
  TPage* a = ActiveLayer();
  if (!a) return;
  auto finish = [](TObjetGraphique& o) {
    if (o.Selected()) o.FinishMove();
  };
  each(a->Curves, finish);
  each(a->Arcs, finish);
  each(a->Segments, finish);
  each(a->Points, finish);
}

void TPage::BeginRotation() {
  TPage* a = ActiveLayer();
  if (!a) return;
  auto store = [](TObjetGraphique& o) {
    if (o.Selected()) o.StoreRotationOrigin();
  };
  each(a->Segments, store);
  each(a->Points, store);
  each(a->Curves, store);
  each(a->Arcs, store);
  each(a->Labels, store);
}

void TPage::RotateSelection(double cx, double cy, double c, double s) {
  TPage* a = ActiveLayer();
  if (!a) return;
  auto turn = [&](TObjetGraphique& o) {
    if (o.Selected()) o.RotateFromOrigin(cx, cy, c, s);
  };
  each(a->Points, turn);
  each(a->Segments, turn);
  each(a->Curves, turn);
  each(a->Arcs, turn);
  each(a->Labels, turn);
}

void TPage::MirrorSelection(int axis) {
  const int32_t cx = width() / 2, cy = height() / 2;
  auto mirror = [&](TObjetGraphique& o) {
    if (o.Selected()) o.Mirror(axis, cx, cy);
  };
  each(Curves, mirror);
  each(Segments, mirror);
  each(Points, mirror);
  each(Arcs, mirror);
  each(Labels, mirror);
}

void TPage::SetSelectionColour(TColor c) {
  TPage* a = ActiveLayer();
  if (!a) return;
  auto colour = [c](TObjetGraphique& o) {
    if (o.Selected()) o.SetColor(c);
  };
  each(a->Curves, colour);
  each(a->Segments, colour);
  each(a->Points, colour);
  each(a->Arcs, colour);
  each(a->Labels, colour);
}

void TPage::SetSelectionThickness(uint8_t w) {
  TPage* a = ActiveLayer();
  if (!a) return;
  auto thickness = [w](TObjetGraphique& o) {
    if (o.Selected()) o.SetWidth(w);
  };
  each(a->Curves, thickness);
  each(a->Segments, thickness);
  each(a->Points, thickness);
  each(a->Arcs, thickness);
}

void TPage::SetSelectionArrows(uint8_t arrows) {
  TPage* a = ActiveLayer();
  if (!a) return;
  for (auto& s : a->Segments)
    if (s->Selected()) s->SetArrows(arrows);
}

// ---- Marks ----

TSegment* TPage::FirstSelectedSegment() {
  if (!Active) return nullptr;
  for (auto& s : Segments)
    if (s->Selected()) return s.get();
  return nullptr;
}

TPointG* TPage::FirstSelectedPoint() {
  if (!Active) return nullptr;
  for (auto& p : Points)
    if (p->Selected()) return p.get();
  return nullptr;
}

TLibelle* TPage::FirstSelectedLabel() {
  if (!Active) return nullptr;
  for (auto& l : Labels)
    if (l->Selected()) return l.get();
  return nullptr;
}

void TPage::MarkSegmentPoints(const TSegment& s, bool selected) {
  TPage* a = ActiveLayer();
  if (!a) return;
  for (auto& p : a->Points) p->FollowSegmentSelection(s, selected);
}

bool TPage::SegmentHasTwoMarks() {
  TPage* a = ActiveLayer();
  if (!a) return false;
  TSegment* s = a->FirstSelectedSegment();
  if (!s) return false;
  return std::count_if(a->Points.begin(), a->Points.end(),
                       [s](const auto& p) { return p->segment == s; }) >= 2;
}

void TPage::FitSegmentToMarks() {
  TPage* a = ActiveLayer();
  if (!a) return;
  TSegment* s = a->FirstSelectedSegment();
  if (!s) return;
  std::vector<TPoint> marks;
  for (auto& p : a->Points)
    if (p->segment == s) marks.push_back(p->position);
  if (marks.size() < 2) return;
  size_t bi = 0, bj = 0;
  double best = -1;
  for (size_t i = 0; i < marks.size(); ++i)
    for (size_t j = i; j < marks.size(); ++j) {
      const double d = Distance(marks[i], marks[j]);
      if (d > best) {
        best = d;
        bi = i;
        bj = j;
      }
    }
  s->SetEndpoints(marks[bi], marks[bj]);
}

void TPage::EraseMarks() {
  if (!Active) return;
  for (size_t i = 0; i < Points.size();) {
    if (!Points[i]->Selected())
      ++i;
    else
      deleteAt(Points, i, 7, true);
  }
}

// ---- Merging segments ----

bool TPage::CanMergeSegments() {
  TPage* a = ActiveLayer();
  if (!a) return false;
  std::vector<TSegment*> sel;
  for (auto& s : a->Segments)
    if (s->Selected()) sel.push_back(s.get());
  if (sel.size() < 2) return false;
  for (size_t k = 1; k < sel.size(); ++k)
    if (!sel[0]->IsAlignedWith(*sel[k])) return false;
  return true;
}

void TPage::MergeSegments() {
  TPage* a = ActiveLayer();
  if (!a) return;
  std::vector<TSegment*> sel;
  for (auto& s : a->Segments)
    if (s->Selected()) sel.push_back(s.get());
  if (sel.size() < 2) return;
  TSegment* keep = sel[0];
  for (size_t k = 1; k < sel.size(); ++k) {
    TSegment* gone = sel[k];
    keep->SnapEndsTo(*gone);
    // Marks of the removed segment stay on the line: they become marks of the merged one.
    for (auto& p : a->Points)
      if (p->segment == gone) p->segment = keep;
    auto it = std::find_if(a->Segments.begin(), a->Segments.end(),
                           [gone](const auto& s) { return s.get() == gone; });
    a->Segments.erase(it);
  }
  a->invalidate();
}

// ---- Labels ----

std::string TPage::SelectedLabelsText() {
  if (!Active) return {};
  std::string out;
  bool first = true;
  for (auto& l : Labels) {
    if (!l->Selected()) continue;
    if (!first) out += "\r\n";
    out += l->Text();
    first = false;
  }
  return out;
}

void TPage::SetLabelsFont(const platform::Font& f) {
  for (auto& l : Labels)
    if (l->Selected()) l->SetFont(f);
}

bool TPage::SelectedLabelFont(platform::Font& f) {
  TLibelle* l = FirstSelectedLabel();
  if (!l) return false;
  f = l->GetFont();
  f.color = l->Color();
  return true;
}
