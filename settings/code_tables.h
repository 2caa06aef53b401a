#pragma once

#include <QString>
#include <QStringList>
#include <array>

namespace mv4700 {

// Delimiter codes 0..4 and baud codes 0..9; the image and the file carry the code.
inline const std::array<QString, 5>& delimiterTable() {
  static const std::array<QString, 5> table{"<CR+LF>", "<CR>", "<LF>", "<TAB>", "Disable"};
  return table;
}

inline const std::array<QString, 10>& baudTable() {
  static const std::array<QString, 10> table{"9600", "",      "", "",      "",
                                             "",     "19200", "", "57600", "115200"};
  return table;
}

inline constexpr std::array<int, 4> kUsedBaudCodes{0, 6, 8, 9};

// "1".."16", the entries of the start and number lists.
inline QStringList characterPositions() {
  QStringList list;
  for (int i = 1; i <= 16; ++i) list << QString::number(i);
  return list;
}

// The delimiter list's entries, in code order.
inline QStringList delimiterEntries() {
  return QStringList(delimiterTable().begin(), delimiterTable().end());
}

// The baud list's entries: the rates the reader uses, in list order.
inline QStringList baudEntries() {
  QStringList list;
  for (int code : kUsedBaudCodes) list << baudTable()[code];
  return list;
}

}  // namespace mv4700
