#include "jobs/UTSyncTask.h"

#include <QTest>

class TestSyncTask : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newJobHasDefaults()
    {
        TSyncTask job;
        QCOMPARE(job.LFolder.DeviceType, SideDevice::None);
        QCOMPARE(job.RFolder.DeviceType, SideDevice::None);
        QCOMPARE(job.IncFileTimeMin, -1);
        QCOMPARE(job.ExcFileSizeMax, qint64(-1));
        QCOMPARE(job.Hours, 0);
        QVERIFY(!job.Cancelled.load());
        QVERIFY(job.IncludeFilterr.isEmpty());
    }

    void positionsOutsideTheListYieldNothing()
    {
        TSyncTaskList list;
        list.AddToList(std::make_unique<TSyncTask>());
        QVERIFY(list.TaskByIndex(0) != nullptr);
        QCOMPARE(list.TaskByIndex(0)->ListState, JobListState::Added);
        QVERIFY(list.TaskByIndex(-1) == nullptr);
        QVERIFY(list.TaskByIndex(1) == nullptr);
        list.MarkDeleted(1);
        list.MarkDeleted(-1);
        QCOMPARE(list.TaskByIndex(0)->ListState, JobListState::Added);
        list.MarkDeleted(0);
        QCOMPARE(list.TaskByIndex(0)->ListState, JobListState::Deleted);
        QCOMPARE(list.Count(), 1);
    }

    void nameExistsTrimsAndKeepsCase()
    {
        TSyncTaskList list;
        auto job = std::make_unique<TSyncTask>();
        job->SyncName = QStringLiteral("Photos");
        list.AppendLoaded(std::move(job));
        QVERIFY(list.TaskNameExists(QStringLiteral("  Photos\t")));
        QVERIFY(!list.TaskNameExists(QStringLiteral("photos")));
        list.MarkDeleted(0);
        QVERIFY(list.TaskNameExists(QStringLiteral("Photos")));
    }

    void sameEmptyKeysAreAllowed()
    {
        TSyncTaskList list;
        list.AddToList(std::make_unique<TSyncTask>());
        list.AddToList(std::make_unique<TSyncTask>());
        QCOMPARE(list.Count(), 2);
        QCOMPARE(list.KeyByIndex(0), list.KeyByIndex(1));
        QVERIFY(list.TaskByIndex(0) != list.TaskByIndex(1));
    }

    void processWideListIsCreatedEmpty()
    {
        CreateTaskList();
        QVERIFY(SyncTaskList != nullptr);
        SyncTaskList->AddToList(std::make_unique<TSyncTask>());
        CreateTaskList();
        QCOMPARE(SyncTaskList->Count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSyncTask)
#include "tst_synctask.moc"
