#include "engine/SyncStateFormat.h"

#include "engine/SyncState.h"

#include <QCryptographicHash>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr char Magic[4] = {'B', 'V', 'S', 'R'};
constexpr qsizetype HeaderSize = 32;
constexpr qsizetype DigestSize = 16;
// A compressed body never unpacks to more than this many times its size
// (zlib's own limit is about 1,032).
constexpr qint64 MostExpansion = 1100;
// zlib's fastest level: half the time of its default, for a tenth more bytes.
constexpr int CompressionLevel = 1;
constexpr quint8 SameSize = 1;
constexpr quint8 SameTime = 2;

QByteArray Digest(const char* data, qsizetype size)
{
    return QCryptographicHash::hash(QByteArrayView(data, size), QCryptographicHash::Blake2b_256)
        .left(DigestSize);
}

quint64 Zigzag(quint64 difference)
{
    return (difference << 1) ^ (0 - (difference >> 63));
}

quint64 Unzigzag(quint64 coded)
{
    return (coded >> 1) ^ (0 - (coded & 1));
}

// Appends numbers and texts to the body.
class TWriter
{
public:
    void Number(quint64 value)
    {
        while (value >= 0x80) {
            Bytes.push_back(char(quint8(value) | 0x80));
            value >>= 7;
        }
        Bytes.push_back(char(value));
    }
    void Text(std::string_view text)
    {
        Number(text.size());
        Bytes.append(text);
    }
    // The text as the bytes it shares with the one before it and the rest.
    void FrontCoded(std::string_view text, std::string_view before)
    {
        size_t shared = 0;
        const size_t most = std::min(text.size(), before.size());
        while (shared < most && text[shared] == before[shared])
            ++shared;
        Number(shared);
        Text(text.substr(shared));
    }
    std::string Bytes;
};

// Reads numbers and texts from the body; every read that would pass its end
// fails, and so do all after it.
class TReader
{
public:
    TReader(const char* data, size_t size) : At(data), End(data + size) {}

    bool Number(quint64& value)
    {
        value = 0;
        for (int shift = 0; shift < 64 && At < End; shift += 7) {
            const quint8 byte = quint8(*At++);
            value |= quint64(byte & 0x7F) << shift;
            if ((byte & 0x80) == 0)
                return shift < 63 || byte <= 1;
        }
        return Fail();
    }
    bool Byte(quint8& value)
    {
        if (At >= End)
            return Fail();
        value = quint8(*At++);
        return true;
    }
    bool Text(std::string_view& text)
    {
        quint64 size = 0;
        if (!Number(size) || size > Left())
            return Fail();
        text = std::string_view(At, size);
        At += size;
        return true;
    }
    // A front-coded text after `before`, into `text`.
    bool FrontCoded(std::string& text, std::string_view before)
    {
        quint64 shared = 0;
        std::string_view rest;
        if (!Number(shared) || shared > before.size() || !Text(rest))
            return Fail();
        text.assign(before.substr(0, shared));
        text.append(rest);
        return true;
    }
    size_t Left() const { return size_t(End - At); }
    bool AtEnd() const { return At == End; }

private:
    bool Fail()
    {
        At = End;
        return false;
    }

    const char* At;
    const char* End;
};

void EncodeFolder(TWriter& out, const TSyncState::TFolder& folder, quint64& lastTime)
{
    out.Number(folder.Entries().size());
    std::string_view before;
    for (const TSyncState::TEntry& entry : folder.Entries()) {
        const std::string_view name = folder.Name(entry);
        out.FrontCoded(name, before);
        before = name;
        const TSyncState::TSides& v = entry.Values;
        const quint8 flags =
            (v.RightSize == v.LeftSize ? SameSize : 0) | (v.RightTime == v.LeftTime ? SameTime : 0);
        out.Bytes.push_back(char(flags));
        out.Number(quint64(v.LeftSize));
        out.Number(Zigzag(quint64(v.LeftTime) - lastTime));
        lastTime = quint64(v.LeftTime);
        if (!(flags & SameSize))
            out.Number(quint64(v.RightSize));
        if (!(flags & SameTime))
            out.Number(Zigzag(quint64(v.RightTime) - quint64(v.LeftTime)));
    }
}

bool ValidName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (const char c : name) {
        if (c == '/' || c == '\0')
            return false;
    }
    return true;
}

// One entry, its name front-coded after `before`.
bool DecodeEntry(TReader& in, std::string_view before, std::string& name, quint64& lastTime,
                 TSyncState::TSides& v)
{
    quint8 flags = 0;
    quint64 leftSize = 0;
    quint64 leftTime = 0;
    if (!in.FrontCoded(name, before) || !in.Byte(flags) || flags > (SameSize | SameTime) ||
        !in.Number(leftSize) || !in.Number(leftTime))
        return false;
    lastTime += Unzigzag(leftTime);
    v.LeftSize = qint64(leftSize);
    v.LeftTime = qint64(lastTime);
    v.RightSize = v.LeftSize;
    v.RightTime = v.LeftTime;
    quint64 number = 0;
    if (!(flags & SameSize)) {
        if (!in.Number(number))
            return false;
        v.RightSize = qint64(number);
    }
    if (!(flags & SameTime)) {
        if (!in.Number(number))
            return false;
        v.RightTime = qint64(quint64(v.LeftTime) + Unzigzag(number));
    }
    return v.LeftSize >= 0 && v.RightSize >= 0;
}

bool DecodeFolder(TReader& in, TSyncState::TFolder& folder, quint64& lastTime, quint64& entries)
{
    quint64 count = 0;
    // Every entry takes at least four bytes.
    if (!in.Number(count) || count == 0 || count > in.Left() / 4)
        return false;
    folder.Entries().reserve(size_t(count));
    std::string name;
    std::string before;
    for (quint64 i = 0; i < count; ++i) {
        TSyncState::TSides values;
        if (!DecodeEntry(in, before, name, lastTime, values) || !ValidName(name) ||
            (i > 0 && name <= before))
            return false;
        folder.Append(name, values);
        before.swap(name);
    }
    entries += count;
    return true;
}

bool ValidFolderPath(std::string_view path)
{
    if (path.empty())
        return true;
    size_t start = 0;
    for (;;) {
        const size_t slash = path.find('/', start);
        if (!ValidName(path.substr(start, slash - start)))
            return false;
        if (slash == std::string_view::npos)
            return true;
        start = slash + 1;
    }
}

bool DecodeBody(const QByteArray& body, TSyncState& state)
{
    TReader in(body.constData(), size_t(body.size()));
    std::string_view left;
    std::string_view right;
    quint64 folders = 0;
    if (!in.Text(left) || !in.Text(right) || !in.Number(folders) || folders > in.Left() / 4)
        return false;
    TSyncState decoded(QString::fromUtf8(left.data(), qsizetype(left.size())),
                       QString::fromUtf8(right.data(), qsizetype(right.size())));
    std::vector<TSyncState::TFolder> list;
    list.resize(size_t(folders));
    quint64 lastTime = 0;
    quint64 entries = 0;
    std::string before;
    for (quint64 i = 0; i < folders; ++i) {
        TSyncState::TFolder& folder = list[size_t(i)];
        if (!in.FrontCoded(folder.Path, before) || !ValidFolderPath(folder.Path) ||
            (i > 0 && folder.Path <= before) || !DecodeFolder(in, folder, lastTime, entries))
            return false;
        before = folder.Path;
    }
    quint64 total = 0;
    if (!in.Number(total) || total != entries || !in.AtEnd())
        return false;
    decoded.Folders() = std::move(list);
    state = std::move(decoded);
    return true;
}

} // namespace

namespace SyncStateFormat {

QString DamagedText()
{
    return QStringLiteral("the file is damaged");
}

QString OtherVersionText()
{
    return QStringLiteral("the file was written by another version of Brenvale");
}

QByteArray Encode(const TSyncState& state)
{
    TWriter out;
    out.Text(state.LeftRoot().toStdString());
    out.Text(state.RightRoot().toStdString());
    const auto filled = std::count_if(state.Folders().begin(), state.Folders().end(),
                                      [](const auto& folder) { return !folder.Entries().empty(); });
    out.Number(quint64(filled));
    quint64 lastTime = 0;
    std::string_view before;
    for (const TSyncState::TFolder& folder : state.Folders()) {
        if (folder.Entries().empty())
            continue;
        out.FrontCoded(folder.Path, before);
        before = folder.Path;
        EncodeFolder(out, folder, lastTime);
    }
    out.Number(quint64(state.EntryCount()));
    const QByteArray body = qCompress(reinterpret_cast<const uchar*>(out.Bytes.data()),
                                      qsizetype(out.Bytes.size()), CompressionLevel);
    QByteArray bytes(HeaderSize, '\0');
    char* header = bytes.data();
    std::memcpy(header, Magic, sizeof Magic);
    qToLittleEndian<quint32>(Version, header + 4);
    qToLittleEndian<quint64>(quint64(body.size()), header + 8);
    std::memcpy(header + 16, Digest(body.constData(), body.size()).constData(), DigestSize);
    bytes.append(body);
    return bytes;
}

bool Decode(const QByteArray& bytes, TSyncState& state, QString& reason)
{
    reason = DamagedText();
    const char* header = bytes.constData();
    if (bytes.size() < HeaderSize || std::memcmp(header, Magic, sizeof Magic) != 0)
        return false;
    if (qFromLittleEndian<quint32>(header + 4) != Version) {
        reason = OtherVersionText();
        return false;
    }
    const quint64 size = qFromLittleEndian<quint64>(header + 8);
    const char* body = header + HeaderSize;
    // The checksum first: a damaged body never reaches zlib.
    if (size != quint64(bytes.size() - HeaderSize) || size < 4 ||
        Digest(body, qsizetype(size)) != QByteArrayView(header + 16, DigestSize))
        return false;
    const quint32 unpacked = qFromBigEndian<quint32>(body);
    if (unpacked == 0 || qint64(unpacked) > qint64(size) * MostExpansion)
        return false;
    const QByteArray plain = qUncompress(reinterpret_cast<const uchar*>(body), qsizetype(size));
    if (plain.size() != qsizetype(unpacked) || !DecodeBody(plain, state))
        return false;
    reason.clear();
    return true;
}

} // namespace SyncStateFormat
