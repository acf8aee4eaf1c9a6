#pragma once
// A layer ("calque") of the page and the chain of layers. The first layer, held by the sheet,
// stands for the page: chain operations are called on it and walk through Next.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Surface.h"
#include "sheet/objects/uArcs.h"
#include "sheet/objects/uCourbes.h"
#include "sheet/objects/uLibelle.h"
#include "sheet/objects/uObjet.h"
#include "sheet/objects/uPointGs.h"
#include "sheet/objects/usegments.h"

template <class T>
using TObjectList = std::vector<std::unique_ptr<T>>;

class TPage : public platform::Control, public TLayerHost {
 public:
  using LayersChanged = std::function<void(TPage* sender)>;

  // A new layer after `previous` (not linked into it) on the page panel. Mouse and drag
  // handlers are those of `previous`; the first layer gets the sheet's afterwards.
  static TPage* Create(TPage* previous, platform::Surface* panel);

  // Clear, then the layer itself. The caller has unlinked it.
  void free();
  // `free` this layer and every layer after it.
  void freeAll();

  // From here: this layer and every following one.
  void SetBounds(int left, int top, int width, int height);

  // Chain queries, called on the first layer.
  int LayerCount() const;
  TPage* LayerAt(int position);
  int IndexOfLayer(const TPage* layer) const;
  TPage* ActiveLayer();
  TPage* LastLayer();

  void AddLayer();
  TPage* InsertLayer(int position);
  // Answers the new first layer (this one unless position 0 was deleted).
  TPage* DeleteLayer(int position);
  TPage* OtherActivatableLayer(int position);

  bool CanBeActive() const { return Visible && !Protected; }
  void SetActive(bool flag);
  void ActivateOnly(int position);  // from here
  void ActivateFirstAvailable();    // from here
  void SetVisible(bool flag);
  void SetProtected(bool flag);
  void Rename(const std::string& name);
  void Clear();
  void SelectAll(bool selected);    // this layer only
  void RestackLayers();             // from here
  void PlaceLabels();               // every layer
  void FollowScroll();              // every layer
  void TurnPage(bool landscape);    // every layer
  void SuspendPainting(bool flag);  // from here

  // Paints the chain from here onto a foreign canvas (printing, pictures): visible layers
  // only, backgrounds stretched with AND, objects scaled.
  void PaintTo(platform::Canvas& canvas, double scale);
  // Union of every object's bounds on every layer, in layer coordinates; inverted (Left >
  // Right) when there is no object. Called on the first layer.
  platform::TRect ContentBounds();
  // The first active layer accepts a dragged label or picture and puts its top-left corner
  // at the pointer (x, y in the sender's client coordinates).
  void PageDragOver(platform::Control& sender, platform::Control& dragged, int x, int y,
                    bool& accept);

  // Editing, called on the first layer and performed by the first active layer.
  void StartCurve(platform::TPoint start, uint8_t width, platform::TColor colour);
  void ExtendCurve(platform::TPoint p);
  void ExtendCurveArc(platform::TPoint lead, platform::TPoint needle);
  bool CurveToSegment();
  bool CurveToArc(platform::TPoint needle);
  void PlacePoint(platform::TPoint p);
  void AddStyledPoint(platform::TPoint p, uint8_t width, platform::TColor colour);
  void AddMark(platform::TPoint p);
  void AddLabel(platform::TPoint page, const std::string& text, const platform::Font& font);
  // Selects what lies under (x, y); group becomes the CurrentGroup of the last object hit.
  void HitSelect(int32_t x, int32_t y, bool add, int32_t& group);
  void SelectGroup(int32_t g);
  bool HasObjects();
  bool HasSelection();
  bool HasMultipleSelection();
  int32_t SelectionGroup();
  bool GroupInUse(int32_t g);  // this layer
  int32_t FreeGroupNumber();
  void Group();
  void Ungroup(int32_t g);
  void DeleteSelection();
  bool GrabBackground(int32_t x, int32_t y);
  void MoveSelection(int32_t dx, int32_t dy);
  void EndMove();
  void BeginRotation();
  void RotateSelection(double cx, double cy, double c, double s);
  void MirrorSelection(int axis);  // this layer
  void SetSelectionColour(platform::TColor c);
  void SetSelectionThickness(uint8_t w);
  void SetSelectionArrows(uint8_t a);
  // This layer, if active; else none.
  TSegment* FirstSelectedSegment();
  TPointG* FirstSelectedPoint();
  TLibelle* FirstSelectedLabel();
  bool HasSelectedSegment() { return FirstSelectedSegment() != nullptr; }
  bool HasSelectedPoint() { return FirstSelectedPoint() != nullptr; }
  void MarkSegmentPoints(const TSegment& s, bool selected);
  bool SegmentHasTwoMarks();
  void FitSegmentToMarks();
  void EraseMarks();  // this layer, if active
  bool CanMergeSegments();
  void MergeSegments();
  std::string SelectedLabelsText();             // this layer, if active
  void SetLabelsFont(const platform::Font& f);  // this layer
  bool SelectedLabelFont(platform::Font& f);    // this layer, if active

  // What the objects ask of their layer.
  platform::Canvas& LayerCanvas() override;
  platform::Surface* Owner() const override { return parent(); }
  platform::TPoint PanelOrigin() const override;
  void MarksFollowSelection(const TSegment& segment, bool selected) override;
  TSegment* FindSegmentById(int32_t id) override;

  void paint(platform::Canvas& canvas) override;

  // Unique for the program's life: tells a layer apart from one made later at the same address.
  const uint64_t Serial;
  TPage* Previous = nullptr;
  TPage* Next = nullptr;
  bool Active = false;
  TObjectList<TCourbeLibre> Curves;
  TObjectList<TSegment> Segments;
  TObjectList<TPointG> Points;
  TObjectList<TArc> Arcs;
  TObjectList<TLibelle> Labels;
  bool Visible = true;
  bool Protected = false;
  int32_t LastDeletedIndex = 0;
  LayersChanged OnLayersChanged;
  int32_t Number = 1;
  std::string Name;
  std::unique_ptr<platform::Bitmap> Background;
  int32_t BackgroundLeft = 0;
  int32_t BackgroundTop = 0;
  bool BackgroundGrabbed = false;
  bool PaintingSuspended = false;
  std::vector<std::pair<int32_t, int32_t>> GroupMap;

  platform::Surface* Panel() const { return parent(); }
  TPage* FirstLayer();
  const TPage* FirstLayer() const;

 private:
  TPage();
  ~TPage() override;
  void raiseLayersChanged(TPage* sender);
  template <class F>
  void forEachObject(F&& f);
  // Frees the object at i of `list` after recording its deletion; labels leave no repaint.
  template <class T>
  void deleteAt(TObjectList<T>& list, size_t i, uint8_t recordKind, bool invalidate);

  std::optional<platform::Canvas> canvas_;
  bool painting_ = false;
};
