#include "uSettings.h"

bool DragDropEnabled = true;
bool CopyPasteEnabled = true;
