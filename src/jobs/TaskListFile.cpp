#include "jobs/TaskListFile.h"

#include "jobs/DataFolder.h"
#include "jobs/UTSyncTask.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <limits>
#include <vector>

namespace {

const QString CrLf = QStringLiteral("\r\n");

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

// Reads the elements of one job. Fields are visited in the file's order; a
// value that is no integer of its range makes the whole job bad.
class JobReader
{
public:
    explicit JobReader(const QDomElement& job) { Path.push_back(job); }

    void Enter(const char* name) { Path.push_back(Child(name)); }
    void Leave() { Path.pop_back(); }
    void Text(const char* name, QString& field) { field = Child(name).text(); }
    void List(const char* name, QStringList& field) { field = DecodeList(Child(name).text()); }
    void Int(const char* name, qint32& field)
    {
        qint64 value = 0;
        if (ParseInteger(Child(name).text(), std::numeric_limits<qint32>::min(),
                         std::numeric_limits<qint32>::max(), value))
            field = qint32(value);
        else
            Ok = false;
    }
    void Int64(const char* name, qint64& field)
    {
        qint64 value = 0;
        if (ParseInteger(Child(name).text(), std::numeric_limits<qint64>::min(),
                         std::numeric_limits<qint64>::max(), value))
            field = value;
        else
            Ok = false;
    }

    bool Ok = true;

private:
    QDomElement Child(const char* name) const
    {
        return Path.back().firstChildElement(QString::fromLatin1(name));
    }
    std::vector<QDomElement> Path;
};

// Writes the elements of one job, in the order they are visited.
class JobWriter
{
public:
    JobWriter(QDomDocument& document, QDomElement job) : Document(document) { Path.push_back(job); }

    void Enter(const char* name) { Path.push_back(Add(name)); }
    void Leave() { Path.pop_back(); }
    void Text(const char* name, const QString& field) { Add(name, field); }
    void List(const char* name, const QStringList& field) { Add(name, EncodeList(field)); }
    void Int(const char* name, qint32 field) { Add(name, QString::number(field)); }
    void Int64(const char* name, qint64 field) { Add(name, QString::number(field)); }

private:
    QDomElement Add(const char* name, const QString& text = QString())
    {
        QDomElement element = Document.createElement(QString::fromLatin1(name));
        if (!text.isEmpty())
            element.appendChild(Document.createTextNode(text));
        Path.back().appendChild(element);
        return element;
    }
    QDomDocument& Document;
    std::vector<QDomElement> Path;
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
}

QString Serialise(const QDomElement& element)
{
    QString text;
    QTextStream stream(&text);
    element.save(stream, -1);
    return text;
}

bool ParseDocument(const QByteArray& bytes, QDomDocument& document, QString* error)
{
    QString message;
    int line = 0;
    int column = 0;
    if (document.setContent(bytes, &message, &line, &column) &&
        !document.documentElement().isNull())
        return true;
    if (error != nullptr)
        *error = QStringLiteral("%1 (line %2, column %3)").arg(message).arg(line).arg(column);
    return false;
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
    QDomDocument document;
    if (!file.open(QIODevice::ReadOnly)) {
        load.Result = TTaskListLoad::Outcome::Unparsable;
        load.Error = file.errorString();
        return load;
    }
    if (!ParseDocument(file.readAll(), document, &load.Error)) {
        load.Result = TTaskListLoad::Outcome::Unparsable;
        return load;
    }
    load.Result = TTaskListLoad::Outcome::Loaded;
    int position = 0;
    for (QDomElement child = document.documentElement().firstChildElement(); !child.isNull();
         child = child.nextSiblingElement(), ++position) {
        if (load.Result == TTaskListLoad::Outcome::StoppedAtBadJob) {
            list.KeepUnloaded(Serialise(child));
            continue;
        }
        auto job = std::make_unique<TSyncTask>();
        JobReader reader(child);
        VisitJob(reader, *job);
        if (!reader.Ok) {
            load.Result = TTaskListLoad::Outcome::StoppedAtBadJob;
            load.BadJob = position;
            load.Error = QStringLiteral("job %1 holds a value that is no integer of its range")
                             .arg(position);
            list.KeepUnloaded(Serialise(child));
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
    QDomDocument document;
    QFile existing(path);
    if (existing.exists()) {
        bool parsed = false;
        if (existing.open(QIODevice::ReadOnly)) {
            parsed = ParseDocument(existing.readAll(), document, nullptr);
            existing.close();
        }
        // A file that cannot be parsed is kept aside, not overwritten.
        if (!parsed && !QFile::rename(path, AsideName(path))) {
            if (error != nullptr)
                *error = QStringLiteral("cannot keep the unreadable %1 aside").arg(path);
            return false;
        }
        if (!parsed)
            document = QDomDocument();
    }
    if (document.documentElement().isNull())
        document.appendChild(document.createElement(QStringLiteral("TaskList")));
    SetDeclaration(document);

    QDomElement root = document.documentElement();
    while (!root.firstChild().isNull())
        root.removeChild(root.firstChild());
    for (int i = 0; i < list.Count(); ++i) {
        const TSyncTask* job = list.TaskByIndex(i);
        if (job->ListState == 1)
            continue;
        QDomElement element = document.createElement(QStringLiteral("Tast"));
        root.appendChild(element);
        JobWriter writer(document, element);
        VisitJob(writer, *job);
    }
    // Jobs of the last load that could not be read go back as they were.
    for (const QString& kept : list.UnloadedJobs()) {
        QDomDocument fragment;
        if (fragment.setContent(kept))
            root.appendChild(document.importNode(fragment.documentElement(), true));
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error != nullptr)
            *error = file.errorString();
        return false;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(document.toByteArray(-1));
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
