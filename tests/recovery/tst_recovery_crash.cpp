// A process killed with SIGKILL after an edit leaves a recovery copy that the next listing
// offers and that restores the edit; while the process runs, its copy is not offered; a
// process that closes cleanly leaves none.

#include "QuorvexDoc.h"
#include "RecoveryStore.h"
#include "ResultCodes.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestRecoveryCrash : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_folder = m_dir->filePath(QStringLiteral("recovery"));
    }

    void killedProcessLeavesACopy_data()
    {
        QTest::addColumn<bool>("killed");
        QTest::newRow("killed") << true;
        QTest::newRow("closed") << false;
    }
    void killedProcessLeavesACopy()
    {
        QFETCH(bool, killed);
        QProcess helper;
        helper.setProgram(QStringLiteral(QUORVEX_BIN_DIR "/recovery_copy_helper"));
        helper.setArguments({m_folder, QStringLiteral("/plant/door.qvp")});
        helper.start();
        QVERIFY(helper.waitForStarted());
        QTRY_VERIFY(helper.canReadLine());
        const QByteArray line = helper.readLine().trimmed();
        QVERIFY2(line.startsWith("written "), line.constData());
        const QString fileName = QString::fromUtf8(line.mid(8));

        // Running: its copy is there, and neither offered nor passed over.
        const CRecoveryStore store(m_folder);
        QVERIFY(QFileInfo(store.FilePath(fileName)).isFile());
        RecoveryListing listing = store.List();
        QVERIFY(listing.copies.empty());
        QVERIFY(listing.skipped.empty());

        if (killed) {
            helper.kill(); // SIGKILL
        } else {
            helper.closeWriteChannel();
        }
        QVERIFY(helper.waitForFinished());
        QCOMPARE(helper.exitStatus(), killed ? QProcess::CrashExit : QProcess::NormalExit);

        listing = store.List();
        QVERIFY(listing.skipped.empty());
        if (!killed) {
            QVERIFY(listing.copies.empty());
            QVERIFY(!QFileInfo::exists(store.FilePath(fileName)));
            return;
        }
        QCOMPARE(listing.copies.size(), std::size_t(1));
        const RecoveryCopy& copy = listing.copies.front();
        QCOMPARE(copy.fileName, fileName);
        QCOMPARE(copy.programPath, QStringLiteral("/plant/door.qvp"));
        QCOMPARE(copy.model, MODEL_QVR_K115_ZQX);
        std::unique_ptr<CQuorvexDoc> restored;
        QCOMPARE(store.Load(copy, &restored), int(RESULT_OK));
        QVERIFY(restored->IsModified());
        QCOMPARE(restored->GetData()[25], std::uint8_t(0xC3));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
};

QTEST_GUILESS_MAIN(TestRecoveryCrash)
#include "tst_recovery_crash.moc"
