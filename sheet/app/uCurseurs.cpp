#include "uCurseurs.h"

#include "platform/Cursors.h"

void LoadCursors() {
  // CURSPEINTURE: a tilted bucket pouring; the hot spot is the tip of the drop.
  platform::registerCursor(crPeinture,
                           {
                               "      XX         ",
                               "     XooX        ",
                               "     XooXXX      ",
                               "     XoXoooXX    ",
                               "    XoXoooooXX   ",
                               "   XoXoooooooXX  ",
                               "  XoooooooooooX  ",
                               " XXoooooooooooXX ",
                               " X XoooooooooXoX ",
                               " X  XoooooooXooX ",
                               " X   XoooooXoooX ",
                               " X    XoooXooooX ",
                               " XX    XoXoooooX ",
                               " XX     XoooooX  ",
                               " XX      XoooX   ",
                               "  X       XXX    ",
                           },
                           2, 15);
  // CURSEFFACE: a square eraser outline centred on the hot spot.
  platform::registerCursor(crEfface,
                           {
                               "XXXXXXXXXXX",
                               "XoooooooooX",
                               "XoooooooooX",
                               "XoooooooooX",
                               "XoooooooooX",
                               "XooooXooooX",
                               "XoooooooooX",
                               "XoooooooooX",
                               "XoooooooooX",
                               "XoooooooooX",
                               "XXXXXXXXXXX",
                           },
                           5, 5);
  // CURSTEXTE: an I-beam with a small cross at its top-left, where the text will start.
  platform::registerCursor(crTexte,
                           {
                               " X         ",
                               "XXX XXX XXX",
                               " X    XoX  ",
                               "      XoX  ",
                               "      XoX  ",
                               "      XoX  ",
                               "      XoX  ",
                               "      XoX  ",
                               "      XoX  ",
                               "      XoX  ",
                               "     XXoXX ",
                               "    XXX XXX",
                           },
                           1, 1);
}
