#pragma once

#include <QByteArray>
#include <QString>

class TSyncState;

// The bytes of a record of the last sync, as its file holds them.
//
// A header of 32 bytes: the magic "BVSR", the format's version (4 bytes), the
// length of the body that follows (8 bytes) and the first 16 bytes of the
// body's BLAKE2b-256. The body is the record compressed with zlib (qCompress):
//   both roots, as lengths and UTF-8 bytes;
//   the number of folders, then each folder in the byte order of the paths:
//     its path, as the bytes it shares with the path before it and the rest,
//     the number of its entries, then each entry in the byte order of names:
//       its name the same way (shared with the name before it, and the rest),
//       a byte of flags (the right size, the right time equal to the left's),
//       the left size, the left time as the difference from the left time of
//       the entry before it, the right size and the right time as the
//       difference from the left time, each only where it differs;
//   the number of entries, as a last check.
// Numbers are variable-length (7 bits a byte), differences zigzag-coded.
namespace SyncStateFormat {

constexpr quint32 Version = 1;

QByteArray Encode(const TSyncState& state);
// Reads the bytes into the record; false, with the reason, for bytes that are
// not a whole record of this version: nothing of them is then taken.
bool Decode(const QByteArray& bytes, TSyncState& state, QString& reason);

// The reasons Decode gives.
QString DamagedText();
QString OtherVersionText();

} // namespace SyncStateFormat
