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
#include "sheet/objects/uObjet.h"

template <class T>
using TObjectList = std::vector<std::unique_ptr<T>>;

class TPage : public platform::Control {
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

  // The canvas the layer's objects draw on: during a paint, the paint's clipped canvas;
  // otherwise the layer's window canvas, drawing at once.
  platform::Canvas& LayerCanvas();

  void paint(platform::Canvas& canvas) override;

  TPage* Previous = nullptr;
  TPage* Next = nullptr;
  bool Active = false;
  TObjectList<TObjetGraphique> Curves;
  TObjectList<TObjetGraphique> Segments;
  TObjectList<TObjetGraphique> Points;
  TObjectList<TObjetGraphique> Arcs;
  TObjectList<TLibelleBase> Labels;
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

 private:
  TPage() = default;
  ~TPage() override;
  void raiseLayersChanged(TPage* sender);
  template <class F>
  void forEachObject(F&& f);

  std::optional<platform::Canvas> windowCanvas_;
  platform::Canvas* paintCanvas_ = nullptr;
};
