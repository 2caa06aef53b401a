#pragma once

#include <QByteArray>

namespace mv4700 {

// A program image for tests and demonstrations: `length` bytes from the image
// base, not all zero, with the identity marker "4700IV" and `version` (ended
// by a 0 byte) where the address fields at offsets 36 and 28 point. Empty when
// the length cannot hold them or exceeds the program memory.
QByteArray makeSampleImage(int length, const QByteArray& version);

// The smallest length makeSampleImage accepts for `version`.
int sampleImageMinimumLength(const QByteArray& version);

}  // namespace mv4700
