#include "jobs/TaskListFile.h"

#include "common/DataFolder.h"
#include "jobs/UTSyncTask.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <limits>
#include <optional>
#include <vector>

namespace {

const QString CrLf = QStringLiteral("\r\n");

// The deepest nesting of elements a file may have, its root counted: a job needs four
// levels, and a bound keeps a hostile file from costing time and memory without end.
constexpr int MaxDepth = 64;
// Bounds of the same kind, each far above what a job list holds: the file's size,
// the attributes of one element (the reader checks them for duplicates in time
// that grows with their square), the characters of one element's text, and the
// entries (line breaks) of one list.
constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;
constexpr int MaxAttributes = 1000;
constexpr qsizetype MaxTextLength = 1024 * 1024;
constexpr qsizetype MaxListEntries = 10000;

// Decimal text: an optional "-" and digits, nothing else, within [min, max].
bool ParseInteger(const QString& text, qint64 min, qint64 max, qint64& value)
{
    qsizetype i = 0;
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative)
        ++i;
    if (i >= text.size())
        return false;
    quint64 magnitude = 0;
    const quint64 limit = negative ? quint64(-(min + 1)) + 1 : quint64(max);
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return false;
        const quint64 digit = quint64(c - u'0');
        if (magnitude > (limit - digit) / 10)
            return false;
        magnitude = magnitude * 10 + digit;
    }
    value = negative ? (magnitude == quint64(-(min + 1)) + 1 ? min : -qint64(magnitude))
                     : qint64(magnitude);
    return true;
}

QString EncodeList(const QStringList& entries)
{
    QString text;
    for (const QString& entry : entries)
        text += entry + CrLf;
    return text;
}

// Entries are cut at CR, LF or CR LF; a break at the very end adds no entry.
QStringList DecodeList(const QString& text)
{
    QStringList entries;
    QString current;
    bool pending = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() &&
                text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            entries.append(current);
            current.clear();
            pending = false;
            continue;
        }
        current += c;
        pending = true;
    }
    if (pending)
        entries.append(current);
    return entries;
}

QString ReaderError(const QXmlStreamReader& reader)
{
    return QStringLiteral("%1 (line %2, column %3)")
        .arg(reader.errorString())
        .arg(reader.lineNumber())
        .arg(reader.columnNumber());
}

// The characters of a file, decoded as an XML reader decodes them: by the byte order
// mark or the layout of the first "<" when these tell UTF-16 or UTF-32, else by the
// encoding the declaration names, else as UTF-8. A byte order mark is left out.
bool DecodeFile(const QByteArray& bytes, QString& text, QString& error)
{
    QStringDecoder decoder;
    if (const std::optional<QStringConverter::Encoding> detected =
            QStringConverter::encodingForData(bytes, u'<')) {
        decoder = QStringDecoder(*detected);
    } else {
        QXmlStreamReader declaration(bytes);
        declaration.readNext();
        if (declaration.hasError()) {
            error = ReaderError(declaration);
            return false;
        }
        const QByteArray name = declaration.documentEncoding().toLatin1();
        decoder = name.isEmpty() ? QStringDecoder(QStringDecoder::Utf8)
                                 : QStringDecoder(name.constData());
        if (!decoder.isValid()) {
            error =
                QStringLiteral("the encoding %1 is not supported").arg(QString::fromLatin1(name));
            return false;
        }
    }
    text = decoder.decode(bytes);
    if (decoder.hasError()) {
        error = QStringLiteral("the file holds bytes that are no text of its encoding");
        return false;
    }
    if (text.startsWith(QChar(QChar::ByteOrderMark)))
        text.remove(0, 1);
    return true;
}

QString PositionedError(const QString& source, qsizetype offset, const QString& text)
{
    const QStringView before = QStringView(source).left(offset);
    const qsizetype lineStart = before.lastIndexOf(QLatin1Char('\n')) + 1;
    return QStringLiteral("%1 (line %2, column %3)")
        .arg(text)
        .arg(before.count(QLatin1Char('\n')) + 1)
        .arg(offset - lineStart + 1);
}

// The end of the markup that starts at the "<" at begin: comments, character
// data sections, processing instructions and declarations (whose internal
// subset may hold ">") end at their own closing marks. -1 when it does not end.
qsizetype SkipSpecialMarkup(const QString& source, qsizetype begin)
{
    const QStringView rest = QStringView(source).mid(begin);
    const auto after = [&](QLatin1StringView close) {
        const qsizetype at = source.indexOf(close, begin);
        return at < 0 ? at : at + close.size();
    };
    if (rest.startsWith(QLatin1StringView("<!--")))
        return after(QLatin1StringView("-->"));
    if (rest.startsWith(QLatin1StringView("<![CDATA[")))
        return after(QLatin1StringView("]]>"));
    if (rest.startsWith(QLatin1StringView("<?")))
        return after(QLatin1StringView("?>"));
    int depth = 0;
    for (qsizetype i = begin + 2; i < source.size(); ++i) {
        const QChar c = source.at(i);
        if (c == QLatin1Char('['))
            ++depth;
        else if (c == QLatin1Char(']'))
            --depth;
        else if (c == QLatin1Char('>') && depth <= 0)
            return i + 1;
    }
    return -1;
}

// Counts the attributes of every start tag in one pass, before the reader sees
// the file. What is no well-formed markup is left for the reader to refuse.
bool CheckAttributeCounts(const QString& source, QString& error)
{
    qsizetype i = source.indexOf(QLatin1Char('<'));
    while (i >= 0 && i + 1 < source.size()) {
        const QChar next = source.at(i + 1);
        qsizetype end = -1;
        if (next == QLatin1Char('!') || next == QLatin1Char('?')) {
            end = SkipSpecialMarkup(source, i);
        } else {
            int attributes = 0;
            for (qsizetype j = i + 1; j < source.size() && end < 0; ++j) {
                const QChar c = source.at(j);
                if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                    j = source.indexOf(c, j + 1);
                    if (j < 0)
                        break;
                } else if (c == QLatin1Char('=') && ++attributes > MaxAttributes) {
                    error = PositionedError(
                        source, i,
                        QStringLiteral("The task list has an element with more than %1 attributes.")
                            .arg(MaxAttributes));
                    return false;
                } else if (c == QLatin1Char('>')) {
                    end = j + 1;
                }
            }
        }
        if (end < 0)
            return true;
        i = source.indexOf(QLatin1Char('<'), end);
    }
    return true;
}

// One element of a read file.
struct TElement
{
    QString Name;
    // Positions in TXmlFile::Elements; -1 for none.
    int FirstChild = -1;
    int NextSibling = -1;
    // Its character data, that of the elements within included, in TXmlFile::Texts.
    qsizetype TextBegin = 0;
    qsizetype TextEnd = 0;
    // The ends of its start tag and of its end tag in TXmlFile::Source (the same
    // for an empty-element tag).
    qsizetype StartTagEnd = 0;
    qsizetype EndTagEnd = 0;
};

// A file read in one pass, without recursion: its elements in document order (the
// root first) and the text it was read from. Character data is kept as it is,
// blanks included.
struct TXmlFile
{
    QString Source;
    QString Texts;
    std::vector<TElement> Elements;

    QString Text(int element) const
    {
        if (element < 0)
            return QString();
        const TElement& e = Elements[std::size_t(element)];
        return Texts.mid(e.TextBegin, e.TextEnd - e.TextBegin);
    }
    // A tag holds a single "<": an attribute value cannot.
    qsizetype MarkupBegin(const TElement& e) const
    {
        return Source.lastIndexOf(QLatin1Char('<'), e.StartTagEnd - 1);
    }
    qsizetype ContentEnd(const TElement& e) const
    {
        return e.EndTagEnd == e.StartTagEnd ? e.StartTagEnd
                                            : Source.lastIndexOf(QLatin1Char('<'), e.EndTagEnd - 1);
    }
    // The element as the file holds it, from its "<" to the end of its end tag.
    QString Markup(int element) const
    {
        const TElement& e = Elements[std::size_t(element)];
        const qsizetype begin = MarkupBegin(e);
        return Source.mid(begin, e.EndTagEnd - begin);
    }
    // The file with nothing inside its root element.
    QString WithoutContent() const
    {
        const TElement& root = Elements.front();
        return Source.left(root.StartTagEnd) + Source.mid(ContentEnd(root));
    }
};

bool ReadXml(const QString& source, TXmlFile& file, QString& error)
{
    file = TXmlFile();
    file.Source = source;
    QXmlStreamReader reader(file.Source);
    // As before: prefixes need no declaration.
    reader.setNamespaceProcessing(false);
    std::vector<int> open;
    std::vector<int> lastChild;
    // The characters and line breaks of each open element's own text.
    struct TOwnText
    {
        qsizetype Length = 0;
        qsizetype Breaks = 0;
    };
    std::vector<TOwnText> ownText;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (open.size() >= std::size_t(MaxDepth)) {
                reader.raiseError(
                    QStringLiteral("The task list nests elements deeper than %1 levels.")
                        .arg(MaxDepth));
                break;
            }
            const int index = int(file.Elements.size());
            TElement element;
            element.Name = reader.qualifiedName().toString();
            element.StartTagEnd = reader.characterOffset();
            element.TextBegin = file.Texts.size();
            file.Elements.push_back(std::move(element));
            if (!open.empty()) {
                if (lastChild.back() < 0)
                    file.Elements[std::size_t(open.back())].FirstChild = index;
                else
                    file.Elements[std::size_t(lastChild.back())].NextSibling = index;
                lastChild.back() = index;
            }
            open.push_back(index);
            lastChild.push_back(-1);
            ownText.emplace_back();
            break;
        }
        case QXmlStreamReader::EndElement: {
            TElement& element = file.Elements[std::size_t(open.back())];
            element.EndTagEnd = reader.characterOffset();
            element.TextEnd = file.Texts.size();
            open.pop_back();
            lastChild.pop_back();
            ownText.pop_back();
            break;
        }
        case QXmlStreamReader::Characters: {
            const QStringView text = reader.text();
            if (!open.empty()) {
                TOwnText& own = ownText.back();
                own.Length += text.size();
                for (qsizetype i = 0; i < text.size(); ++i) {
                    const QChar c = text.at(i);
                    own.Breaks += c == QLatin1Char('\n') ||
                                  (c == QLatin1Char('\r') &&
                                   (i + 1 == text.size() || text.at(i + 1) != QLatin1Char('\n')));
                }
                if (own.Length > MaxTextLength) {
                    reader.raiseError(
                        QStringLiteral("The task list holds a text longer than %1 characters.")
                            .arg(MaxTextLength));
                    break;
                }
                if (own.Breaks > MaxListEntries) {
                    reader.raiseError(
                        QStringLiteral("The task list holds a list of more than %1 entries.")
                            .arg(MaxListEntries));
                    break;
                }
            }
            file.Texts += text;
            break;
        }
        default:
            break;
        }
    }
    if (reader.hasError()) {
        error = ReaderError(reader);
        return false;
    }
    return true;
}

bool ReadXmlFile(const QByteArray& bytes, TXmlFile& file, QString& error)
{
    if (bytes.size() > MaxFileBytes) {
        error = QStringLiteral("The task list is larger than %1 MiB.").arg(MaxFileBytes >> 20);
        return false;
    }
    QString source;
    return DecodeFile(bytes, source, error) && CheckAttributeCounts(source, error) &&
           ReadXml(source, file, error);
}

// Reads the elements of one job. Each field is the first child of its name; a
// value that is no integer of its range makes the whole job bad.
class JobReader
{
public:
    JobReader(const TXmlFile& file, int job) : File(file) { Path.push_back(job); }

    void Enter(const char* name) { Path.push_back(Child(name)); }
    void Leave() { Path.pop_back(); }
    void Text(const char* name, QString& field) { field = File.Text(Child(name)); }
    void List(const char* name, QStringList& field) { field = DecodeList(File.Text(Child(name))); }
    void Int(const char* name, qint32& field)
    {
        qint64 value = 0;
        if (ParseInteger(File.Text(Child(name)), std::numeric_limits<qint32>::min(),
                         std::numeric_limits<qint32>::max(), value))
            field = qint32(value);
        else
            Ok = false;
    }
    // An element newer files add: its absence keeps the field's default.
    void OptionalInt(const char* name, qint32& field)
    {
        if (Child(name) >= 0)
            Int(name, field);
    }
    void Int64(const char* name, qint64& field)
    {
        qint64 value = 0;
        if (ParseInteger(File.Text(Child(name)), std::numeric_limits<qint64>::min(),
                         std::numeric_limits<qint64>::max(), value))
            field = value;
        else
            Ok = false;
    }

    bool Ok = true;

private:
    int Child(const char* name) const
    {
        const int parent = Path.back();
        if (parent < 0)
            return -1;
        const QLatin1StringView wanted(name);
        int child = File.Elements[std::size_t(parent)].FirstChild;
        while (child >= 0 && File.Elements[std::size_t(child)].Name != wanted)
            child = File.Elements[std::size_t(child)].NextSibling;
        return child;
    }
    const TXmlFile& File;
    std::vector<int> Path;
};

// XML 1.0 holds no control character but tab, line feed and carriage return, no
// unpaired surrogate, and neither U+FFFE nor U+FFFF: these become U+FFFD, so that
// what is written can be read back.
QString Writable(const QString& text, bool& replaced)
{
    QString result = text;
    const qsizetype size = result.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = result.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < size &&
            QChar::isLowSurrogate(result.at(i + 1).unicode())) {
            ++i;
            continue;
        }
        if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || QChar::isSurrogate(c) ||
            c == 0xFFFE || c == 0xFFFF) {
            result[i] = QChar(QChar::ReplacementCharacter);
            replaced = true;
        }
    }
    return result;
}

// Element content as the file has always been written: "<" and "&" escaped, ">"
// after "]]", and carriage returns as references, which a reader does not turn
// into line feeds.
void AppendEscaped(QString& out, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('<'))
            out += QLatin1String("&lt;");
        else if (c == QLatin1Char('&'))
            out += QLatin1String("&amp;");
        else if (c == QLatin1Char('>') && i >= 2 && text.at(i - 1) == QLatin1Char(']') &&
                 text.at(i - 2) == QLatin1Char(']'))
            out += QLatin1String("&gt;");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("&#xd;");
        else
            out += c;
    }
}

// Writes the elements of one job, in the order they are visited, with no
// whitespace between them; an empty text gives an empty-element tag.
class JobWriter
{
public:
    explicit JobWriter(QString& out) : Out(out) {}

    void Enter(const char* name)
    {
        Open(name);
        Names.push_back(name);
    }
    void Leave()
    {
        Close(Names.back());
        Names.pop_back();
    }
    void Text(const char* name, const QString& field) { Add(name, field); }
    void List(const char* name, const QStringList& field) { Add(name, EncodeList(field)); }
    void Int(const char* name, qint32 field) { Add(name, QString::number(field)); }
    void OptionalInt(const char* name, qint32 field) { Int(name, field); }
    void Int64(const char* name, qint64 field) { Add(name, QString::number(field)); }

    // True once a text held characters that were written as U+FFFD.
    bool Replaced = false;

private:
    void Open(const char* name)
    {
        Out += QLatin1Char('<');
        Out += QLatin1String(name);
        Out += QLatin1Char('>');
    }
    void Close(const char* name)
    {
        Out += QLatin1String("</");
        Out += QLatin1String(name);
        Out += QLatin1Char('>');
    }
    void Add(const char* name, const QString& text)
    {
        if (text.isEmpty()) {
            Out += QLatin1Char('<');
            Out += QLatin1String(name);
            Out += QLatin1String("/>");
            return;
        }
        Open(name);
        AppendEscaped(Out, Writable(text, Replaced));
        Close(name);
    }
    QString& Out;
    std::vector<const char*> Names;
};

template <typename Visitor, typename Side> void VisitSide(Visitor& v, Side& side)
{
    v.Int("DeviceType", side.DeviceType);
    v.Text("FolerAllName", side.FolerAllName);
    v.Int("validate", side.validate);
    v.Text("UserName", side.UserName);
    v.Text("PWD", side.PWD);
    v.Int("FactTime", side.FactTime);
    v.Int("ActiveMode", side.ActiveMode);
    v.Text("PrivateKey", side.PrivateKey);
}

// The one description of a job's elements: names, order and nesting.
template <typename Visitor, typename Job> void VisitJob(Visitor& v, Job& job)
{
    v.Text("SyncName", job.SyncName);
    v.Text("SyncID", job.SyncID);
    v.Int("SyncDirection", job.SyncDirection);
    v.Int("ForcedOrVerified", job.ForcedOrVerified);
    v.Int("IsDeleteFile", job.IsDeleteFile);
    v.Int("SaveOldFile", job.SaveOldFile);
    v.Int("UseTempFile", job.UseTempFile);
    v.Int("CheckNoChange", job.CheckNoChange);
    v.Int("EstimateDiskSpace", job.EstimateDiskSpace);
    v.Enter("LFolder");
    VisitSide(v, job.LFolder);
    v.Leave();
    v.Enter("RFolder");
    VisitSide(v, job.RFolder);
    v.Leave();
    v.Enter("Filter");
    v.Int("ExcludeEmtpyFolder", job.ExcludeEmtpyFolder);
    v.Int("ExcludeHiddenFile", job.ExcludeHiddenFile);
    v.Int("ExcludeSystemFile", job.ExcludeSystemFile);
    v.Enter("IncludeFilter");
    v.List("IncludeFilterr", job.IncludeFilterr);
    v.Int("FileTimeMin", job.IncFileTimeMin);
    v.Int("FileTimeMax", job.IncFileTimeMax);
    v.Int64("FileSizeMin", job.IncFileSizeMin);
    v.Int64("FileSizeMax", job.IncFileSizeMax);
    v.Leave();
    v.Enter("ExcludeFilter");
    v.List("ExcludeFilterr", job.ExcludeFilterr);
    v.Int("FileTimeMin", job.ExcFileTimeMin);
    v.Int("FileTimeMax", job.ExcFileTimeMax);
    v.Int64("FileSizeMin", job.ExcFileSizeMin);
    v.Int64("FileSizeMax", job.ExcFileSizeMax);
    v.Leave();
    v.Leave();
    v.Enter("Auto");
    v.Int("StartAnalyze", job.StartAnalyze);
    v.Int("StartSync", job.StartSync);
    v.Int("ConnectAnalyze", job.ConnectAnalyze);
    v.Int("ConnectSync", job.ConnectSync);
    v.Int("LogoffAnalyze", job.LogoffAnalyze);
    v.Int("LogoffSync", job.LogoffSync);
    v.Int("PeriodAnalyze", job.PeriodAnalyze);
    v.Int("PeriodSync", job.PeriodSync);
    v.Int("Hours", job.Hours);
    v.Int("minutes", job.minutes);
    v.Text("TaskScheduler", job.TaskScheduler);
    v.Int("TSsync", job.TSsync);
    v.Int("TSanalyze", job.TSanalyze);
    v.Int("Conflicts", job.Conflicts);
    v.Int("EnsureFolderTags", job.EnsureFolderTags);
    v.Leave();
    // Newer elements, last of the job: older readers find theirs by name.
    v.OptionalInt("WatchSync", job.WatchSync);
    v.OptionalInt("WatchQuietSeconds", job.WatchQuietSeconds);
}

// A free name next to the file for a copy that cannot be parsed.
QString AsideName(const QString& path)
{
    QString aside = path + QStringLiteral(".bad");
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = path + QStringLiteral(".bad%1").arg(n);
    return aside;
}

void SetDeclaration(QDomDocument& document)
{
    const QDomProcessingInstruction declaration = document.createProcessingInstruction(
        QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"utf-8\""));
    const QDomNode first = document.firstChild();
    if (first.isProcessingInstruction() && first.nodeName() == QStringLiteral("xml"))
        document.replaceChild(declaration, first);
    else
        document.insertBefore(declaration, first);
}

} // namespace

TTaskListLoad LoadTaskList(const QString& path, TSyncTaskList& list)
{
    TTaskListLoad load;
    list.Clear();
    QFile file(path);
    if (!file.exists()) {
        load.Result = TTaskListLoad::Outcome::Missing;
        return load;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        load.Result = TTaskListLoad::Outcome::Unparsable;
        load.Error = file.errorString();
        return load;
    }
    TXmlFile xml;
    if (!ReadXmlFile(file.read(MaxFileBytes + 1), xml, load.Error)) {
        load.Result = TTaskListLoad::Outcome::Unparsable;
        return load;
    }
    load.Result = TTaskListLoad::Outcome::Loaded;
    int position = 0;
    for (int child = xml.Elements.front().FirstChild; child >= 0;
         child = xml.Elements[std::size_t(child)].NextSibling, ++position) {
        if (load.Result == TTaskListLoad::Outcome::StoppedAtBadJob) {
            list.KeepUnloaded(xml.Markup(child));
            continue;
        }
        auto job = std::make_unique<TSyncTask>();
        JobReader reader(xml, child);
        VisitJob(reader, *job);
        if (!reader.Ok) {
            load.Result = TTaskListLoad::Outcome::StoppedAtBadJob;
            load.BadJob = position;
            load.Error = QStringLiteral("job %1 holds a value that is no integer of its range")
                             .arg(position);
            list.KeepUnloaded(xml.Markup(child));
            continue;
        }
        list.AppendLoaded(std::move(job));
    }
    return load;
}

TTaskListLoad LoadTaskList(const QString& path)
{
    if (!SyncTaskList)
        CreateTaskList();
    return LoadTaskList(path, *SyncTaskList);
}

bool SaveTaskList(const TSyncTaskList& list, const QString& path, QString* error)
{
    // What surrounds the jobs of the existing file is kept: comments, the root's name
    // and attributes. Only that shell, never the jobs, goes through a document tree.
    QDomDocument shell;
    bool keepAside = false;
    QFile existing(path);
    if (existing.exists()) {
        if (existing.open(QIODevice::ReadOnly)) {
            TXmlFile xml;
            QString ignored;
            keepAside = !ReadXmlFile(existing.read(MaxFileBytes + 1), xml, ignored) ||
                        !shell.setContent(xml.WithoutContent());
            existing.close();
        } else {
            keepAside = true;
        }
        if (keepAside)
            shell = QDomDocument();
    }
    if (shell.documentElement().isNull())
        shell.appendChild(shell.createElement(QStringLiteral("TaskList")));
    SetDeclaration(shell);

    QString jobs;
    for (int i = 0; i < list.Count(); ++i) {
        const TSyncTask* job = list.TaskByIndex(i);
        if (job->ListState == JobListState::Deleted)
            continue;
        JobWriter writer(jobs);
        writer.Enter("Tast");
        VisitJob(writer, *job);
        writer.Leave();
        if (writer.Replaced) {
            bool replaced = false;
            qWarning("Brenvale: the job \"%s\" holds characters that a task list cannot hold; "
                     "they are saved as U+FFFD",
                     qUtf8Printable(Writable(job->SyncName, replaced)));
        }
    }
    // Jobs of the last load that could not be read go back as the file held them.
    for (const QString& kept : list.UnloadedJobs())
        jobs += kept;

    // A file that reads holds no U+FFFF: written into the root, one marks the place
    // of the jobs in the text of the shell.
    QString text;
    if (jobs.isEmpty()) {
        text = shell.toString(-1);
    } else {
        const QChar place(0xFFFF);
        shell.documentElement().appendChild(shell.createTextNode(QString(place)));
        text = shell.toString(-1);
        text.replace(text.indexOf(place), 1, jobs);
    }
    // A kept job may lean on declarations of its old file that the shell lost: a
    // file that would not read back is not written.
    TXmlFile check;
    QString reason;
    if (!ReadXml(text, check, reason)) {
        if (error != nullptr)
            *error = QStringLiteral("the task list would not read back: %1").arg(reason);
        return false;
    }

    // A file that cannot be parsed is kept aside, not overwritten.
    if (keepAside && !QFile::rename(path, AsideName(path))) {
        if (error != nullptr)
            *error = QStringLiteral("cannot keep the unreadable %1 aside").arg(path);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error != nullptr)
            *error = file.errorString();
        return false;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(text.toUtf8());
    if (!file.commit()) {
        if (error != nullptr)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool SaveTaskList()
{
    if (!SyncTaskList)
        return false;
    return SaveTaskList(*SyncTaskList, DataFolder::TaskListPath());
}
