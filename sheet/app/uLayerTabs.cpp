#include "uLayerTabs.h"

#include <QSignalBlocker>

void RebuildTabs(QTabBar& tabs, TPage* firstLayer) {
  const QSignalBlocker quiet(&tabs);
  while (tabs.count() > 0) tabs.removeTab(0);
  int active = 0, i = 0;
  for (TPage* l = firstLayer; l; l = l->Next, ++i) {
    tabs.addTab(QString::fromStdString(l->Name));
    if (l->Active) active = i;
  }
  if (tabs.count() > 0) tabs.setCurrentIndex(active);
}
