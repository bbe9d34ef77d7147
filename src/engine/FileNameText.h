#pragma once

#include <QString>

#include <string_view>
#include <vector>

// A name or a path below a root, as the file system keeps it (UTF-8 bytes),
// made into text exactly. Qt's decoders drop a byte-order mark at the start of
// what they decode: a file whose name begins with U+FEFF would then be shown,
// compared and copied as the file of the name without it.
class TFileNameText
{
public:
    static QString Decode(std::string_view bytes);
    // Writes the name's UTF-16 units from `out` on, at most bytes.size() of
    // them, and returns the end of what it wrote.
    static QChar* DecodeInto(QChar* out, std::string_view bytes);
    // Decodes the names into one block of text that they all share: each
    // costs its characters and a closing zero, not an allocation of its own,
    // and the block goes with the last of them. A name changed later is
    // copied out first, as any shared text is. `texts` is cleared first.
    static void DecodeSharing(const std::vector<std::string_view>& names,
                              std::vector<QString>& texts);
    // The same, each name handed to `give(i, QString&&)` as it is decoded,
    // straight to where it is kept.
    template <typename Give>
    static void DecodeSharing(const std::vector<std::string_view>& names, Give&& give)
    {
        QString block = SharedBlock(names);
        QChar* at = block.data();
        for (size_t i = 0; i < names.size(); ++i) {
            QChar* const end = DecodeInto(at, names[i]);
            give(i, ShareOf(block, at, end));
            at = end + 1;
        }
    }

private:
    // Room for the names, each with a closing zero (UTF-8 never takes fewer
    // bytes than UTF-16 units).
    static QString SharedBlock(const std::vector<std::string_view>& names);
    // The part of the block from begin to end, closed by a zero, sharing the
    // block's reference count.
    static QString ShareOf(const QString& block, QChar* begin, QChar* end);
};
