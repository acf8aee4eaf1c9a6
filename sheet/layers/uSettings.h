#pragma once
// Sheet options the layer operations read; the options dialog and file set them.

// "Glisser-Déposer des objets": objects may be dragged; new points and labels come selected.
extern bool DragDropEnabled;
// "Copier-Coller des objets".
extern bool CopyPasteEnabled;
