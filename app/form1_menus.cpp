#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "app/form1.h"

namespace mv4700 {

namespace {

struct Item {
  const char* name;
  const char* caption;  // nullptr: a spacer entry
};

struct MenuLayout {
  const char* name;
  const char* caption;
  std::initializer_list<Item> items;
};

}  // namespace

void Form1::buildMenus() {
  const MenuLayout menus[] = {
      {"file",
       "File",
       {{"sopen", "Open file"},
        {"sfile", "Save file"},
        {"sp1", nullptr},
        {"CLRS", "Clear all setting fields to default"},
        {"sp2", nullptr},
        {"exit", "Exit"}}},
      {"prog",
       "Programming",
       {{"pusb", "Write settings to 4700"},
        {"reads", "Read settings from 4700"},
        {"sp3", nullptr},
        {"reset", "Reset 4700 settings to default"},
        {"sp4", nullptr},
        {"rver", "Read version from 4700"},
        {"fopen", "Firmware update"}}},
      {"test",
       "Communication",
       {{"stest", "Start Test"}, {"etest", "End Test"}, {"bench", "All readers..."}}},
      {"note", "Release notes", {{"v20", "v2.0"}}},
  };
  for (const MenuLayout& layout : menus) {
    QMenu* menu = menuBar()->addMenu(QLatin1String(layout.caption));
    menu->setObjectName(QLatin1String(layout.name));
    for (const Item& item : layout.items) {
      QAction* action =
          item.caption ? menu->addAction(QLatin1String(item.caption)) : menu->addSeparator();
      action->setObjectName(QLatin1String(item.name));
    }
  }
}

}  // namespace mv4700
