#pragma once

#include "store/record.h"

#include <array>

// The record list's columns, left to right. The model shows them, the sorter orders by them and
// the window sizes them; Qt's views count columns as int, so these are plain numbers.
namespace ListColumn {

enum Id : int { Nev, Telepules, Cim, Tel1, Tel2, Megj, RecNo };
constexpr int kCount = RecNo + 1;

// The record field each column before RecNo shows.
constexpr std::array<Field, RecNo> kFields = {Field::Nev,  Field::Telepules, Field::Cim,
                                              Field::Tel1, Field::Tel2,      Field::Megj};

} // namespace ListColumn
