#include "IssueFilterManager.h"

#include "Platform/SystemLog.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

class IssueFilterManagerTest : public ::testing::Test {
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("IssueFilters.json")); }

    IssueFilterManager manager() const {
        return IssueFilterManager([path = path()] { return path; });
    }

    void writeFile(const QByteArray& bytes) const {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray readFile(const QString& filePath) const {
        QFile file(filePath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QJsonArray fileArray() const { return QJsonDocument::fromJson(readFile(path())).array(); }

    QStringList keptCopies() const {
        return QDir(m_dir.path()).entryList({QStringLiteral("IssueFilters.json.unreadable-*")}, QDir::Files);
    }

    static std::shared_ptr<IssueFilter> filter(const QString& identifier, const QString& name = QString()) {
        return std::make_shared<IssueFilter>(identifier, QStringLiteral("acc"), QStringLiteral("cloud"),
                                             QStringLiteral("10000"), name.isEmpty() ? identifier : name);
    }

    static QStringList identifiers(const IssueFilterManager::IssueFilterList& filters) {
        QStringList ids;
        for (const auto& f : filters)
            ids.append(f->identifier());
        return ids;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(IssueFilterManagerTest, NoFileGivesAnEmptyListAndTheFirstAppendWritesIt) {
    auto store = manager();
    EXPECT_FALSE(store.isLoaded());
    EXPECT_TRUE(store.allIssueFilters().isEmpty());
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_EQ(store.issueFiltersFileURL(), QUrl::fromLocalFile(path()));

    store.append(filter(QStringLiteral("A")));
    const QJsonArray array = fileArray();
    ASSERT_EQ(array.size(), 1);
    EXPECT_EQ(array[0].toObject().value(QStringLiteral("identifier")).toString(), QStringLiteral("A"));
}

TEST_F(IssueFilterManagerTest, LoadsOutOfRangeConditionsAsAll) {
    QJsonObject json = filter(QStringLiteral("A"))->toJson();
    json.insert(QStringLiteral("issueFilter"), 7);
    json.insert(QStringLiteral("sprintFilter"), -1);
    writeFile(QJsonDocument(QJsonArray{json}).toJson());
    const auto filters = manager().allIssueFilters();
    ASSERT_EQ(filters.size(), 1);
    EXPECT_EQ(filters[0]->issueFilterType(), IssueFilter::IssueFilterType::all);
    EXPECT_EQ(filters[0]->sprintFilterType(), IssueFilter::SprintFilterType::all);
}

TEST_F(IssueFilterManagerTest, ABadFilterCostsOnlyThatFilterWithALogLineAndAKeptCopy) {
    QJsonObject nameless = filter(QStringLiteral("B"))->toJson();
    nameless.remove(QStringLiteral("name"));
    QJsonObject huge = filter(QStringLiteral("D"))->toJson();
    huge.insert(QStringLiteral("issueFilter"), 4294967296.0);
    const QByteArray broken = QJsonDocument(QJsonArray{filter(QStringLiteral("A"))->toJson(), nameless,
                                                       QStringLiteral("not an object"), huge})
                                  .toJson();
    writeFile(broken);

    auto store = manager();
    Platform::SystemLog::Capture log;
    EXPECT_EQ(identifiers(store.allIssueFilters()), (QStringList{QStringLiteral("A"), QStringLiteral("D")}));
    EXPECT_EQ(store.allIssueFilters()[1]->issueFilterType(), IssueFilter::IssueFilterType::all);
    const QString url = QUrl::fromLocalFile(path()).toString();
    EXPECT_TRUE(log.contains(QStringLiteral("could not read ticket filter 1 of ") + url +
                             QStringLiteral(": the key \"name\" is missing")))
        << log.text().toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("could not read ticket filter 2 of ") + url))
        << log.text().toStdString();
    ASSERT_EQ(keptCopies().size(), 1);
    const QString copy = m_dir.filePath(keptCopies().constFirst());
    EXPECT_EQ(readFile(copy), broken);
    EXPECT_EQ(readFile(path()), broken) << "the file itself stays until the next save";

    store.append(filter(QStringLiteral("C")));
    EXPECT_EQ(fileArray().size(), 3);
    EXPECT_EQ(readFile(copy), broken);
    EXPECT_EQ(identifiers(manager().allIssueFilters()),
              (QStringList{QStringLiteral("A"), QStringLiteral("D"), QStringLiteral("C")}));

    // A second failure in the same second keeps its own copy.
    for (const QByteArray& bytes : {QByteArray("{\"not\": \"an array\"}"), QByteArray("[{]")}) {
        writeFile(bytes);
        Platform::SystemLog::Capture again;
        EXPECT_TRUE(manager().allIssueFilters().isEmpty());
        EXPECT_TRUE(again.contains(QStringLiteral("could not load ticket filters file: ")));
    }
    EXPECT_EQ(keptCopies().size(), 3);
}

TEST_F(IssueFilterManagerTest, AnUnreadableFileIsNeverWrittenOverBeforeItHasACopy) {
    // A file size limit stands in for a full disk: the copy of the big file fails, a short list fits.
    const QByteArray unreadable = "[{" + QByteArray(64 * 1024, 'x');
    writeFile(unreadable);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    auto store = manager();
    Platform::SystemLog::Capture log;
    EXPECT_TRUE(store.allIssueFilters().isEmpty());
    store.append(filter(QStringLiteral("A")));
    store.saveIssueFilters();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_TRUE(log.contains(QStringLiteral("could not keep a copy of the unreadable ticket filters file")));
    EXPECT_EQ(log.lines().filter(QStringLiteral("could not save ticket filters file")).size(), 2)
        << log.text().toStdString();
    EXPECT_EQ(readFile(path()), unreadable);
    EXPECT_TRUE(keptCopies().isEmpty()) << "no partial copy is left behind";
    EXPECT_EQ(store.allIssueFilters().size(), 1) << "the run goes on with its list";

    // Once the copy can be made, the next save makes it and writes the list.
    store.append(filter(QStringLiteral("B")));
    ASSERT_EQ(keptCopies().size(), 1);
    EXPECT_EQ(readFile(m_dir.filePath(keptCopies().constFirst())), unreadable);
    EXPECT_EQ(fileArray().size(), 2);
}

TEST_F(IssueFilterManagerTest, RepeatedStartsKeepOneCopyPerContentAndTheNewestFive) {
    for (int start = 0; start < 3; ++start) {
        writeFile("[{");
        manager().allIssueFilters();
    }
    EXPECT_EQ(keptCopies().size(), 1);
    for (int start = 0; start < 8; ++start) {
        writeFile("[{" + QByteArray::number(start));
        manager().allIssueFilters();
    }
    QStringList copies;
    for (const QString& name : keptCopies())
        copies << QString::fromLatin1(readFile(m_dir.filePath(name)));
    copies.sort();
    EXPECT_EQ(copies, (QStringList{QStringLiteral("[{3"), QStringLiteral("[{4"), QStringLiteral("[{5"),
                                   QStringLiteral("[{6"), QStringLiteral("[{7")}));
}

TEST_F(IssueFilterManagerTest, AHugeConditionNumberReadsAsAllAndTheSaveKeepsEveryFilter) {
    QJsonObject huge = filter(QStringLiteral("A"))->toJson();
    huge.insert(QStringLiteral("issueFilter"), 4294967296.0);
    huge.insert(QStringLiteral("sprintFilter"), 1e10);
    writeFile(QJsonDocument(QJsonArray{huge, filter(QStringLiteral("B"))->toJson()}).toJson());
    auto store = manager();
    ASSERT_EQ(store.allIssueFilters().size(), 2);
    store.saveIssueFilters();
    const QJsonArray saved = fileArray();
    ASSERT_EQ(saved.size(), 2);
    EXPECT_EQ(saved[0].toObject().value(QStringLiteral("issueFilter")).toInt(-1), 0);
    EXPECT_EQ(saved[0].toObject().value(QStringLiteral("sprintFilter")).toInt(-1), 0);
    EXPECT_TRUE(keptCopies().isEmpty());
}

TEST_F(IssueFilterManagerTest, AnAdvancedFilterThatCannotBeReadIsSavedBackUnchanged) {
    QJsonObject unreadable = filter(QStringLiteral("A"))->toJson();
    const QString futureText =
        QString::fromLatin1(QByteArray("SUBQUERY(fields.subtasks, $s, $s.done == 1).@count > 0").toBase64());
    unreadable.insert(QStringLiteral("predicate"), futureText);
    QJsonObject notBase64 = filter(QStringLiteral("B"))->toJson();
    notBase64.insert(QStringLiteral("predicate"), QStringLiteral("not Base64!"));
    QJsonObject plain = filter(QStringLiteral("C"))->toJson();
    plain.insert(QStringLiteral("predicate"), QJsonValue::Null);
    writeFile(QJsonDocument(QJsonArray{unreadable, notBase64, plain}).toJson());

    Platform::SystemLog::Capture log;
    auto store = manager();
    const auto filters = store.allIssueFilters();
    ASSERT_EQ(filters.size(), 3);
    EXPECT_FALSE(filters[0]->predicate().has_value());
    EXPECT_TRUE(filters[0]->hasUnreadablePredicate());
    EXPECT_TRUE(filters[1]->hasUnreadablePredicate());
    EXPECT_FALSE(filters[2]->hasUnreadablePredicate());
    EXPECT_EQ(log.lines().filter(QStringLiteral("could not read the advanced filter")).size(), 2);
    store.saveIssueFilters();
    const QJsonArray saved = fileArray();
    EXPECT_EQ(saved[0].toObject().value(QStringLiteral("predicate")), QJsonValue(futureText));
    EXPECT_EQ(saved[1].toObject().value(QStringLiteral("predicate")),
              QJsonValue(QStringLiteral("not Base64!")));
    EXPECT_FALSE(saved[2].toObject().contains(QStringLiteral("predicate")));
    EXPECT_TRUE(keptCopies().isEmpty()) << "nothing is lost, so no copy is needed";
}

TEST_F(IssueFilterManagerTest, ADirectoryInPlaceOfTheFileReadsAsNoFile) {
    ASSERT_TRUE(QDir().mkpath(path()));
    Platform::SystemLog::Capture log;
    EXPECT_TRUE(manager().allIssueFilters().isEmpty());
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_TRUE(keptCopies().isEmpty());
}

TEST_F(IssueFilterManagerTest, AppendReplacesByIdentifierAndMovesTheFilterToTheEnd) {
    auto store = manager();
    for (const char* id : {"first", "second", "third"})
        store.append(filter(QString::fromLatin1(id)));
    store.append(filter(QStringLiteral("second"), QStringLiteral("Renamed")));
    EXPECT_EQ(identifiers(store.allIssueFilters()),
              (QStringList{QStringLiteral("first"), QStringLiteral("third"), QStringLiteral("second")}));
    EXPECT_EQ(store.allIssueFilters().last()->name(), QStringLiteral("Renamed"));

    store.remove(*filter(QStringLiteral("first")));
    store.remove(*filter(QStringLiteral("FIRST")));
    store.remove(*filter(QStringLiteral("unknown")));
    EXPECT_EQ(identifiers(manager().allIssueFilters()),
              (QStringList{QStringLiteral("third"), QStringLiteral("second")}));
}

TEST_F(IssueFilterManagerTest, SavingBeforeAnyLoadLeavesTheFileByteIdentical) {
    const QByteArray bytes("[ {\"something\": \"a newer version wrote\"} ]\n");
    writeFile(bytes);
    auto store = manager();
    store.saveIssueFilters();
    EXPECT_FALSE(store.isLoaded());
    EXPECT_EQ(readFile(path()), bytes);
    EXPECT_TRUE(keptCopies().isEmpty());
}

TEST_F(IssueFilterManagerTest, APredicateSurvivesTheFileAndStillEvaluates) {
    const auto original = filter(QStringLiteral("P"));
    original->setPredicate(Platform::Predicate::fromFormat(QStringLiteral(
        "(statusName ==[cd] \"Résolu\" OR summary CONTAINS[c] 'urgent') AND NOT key BEGINSWITH 'OPS'")));
    ASSERT_TRUE(original->predicate());
    original->setShowOnlyMyIssues(true);
    original->setSprintFilter(1);
    manager().append(original);

    const auto filters = manager().allIssueFilters();
    ASSERT_EQ(filters.size(), 1);
    const auto& reread = filters[0];
    EXPECT_EQ(reread->toJson(), original->toJson());
    ASSERT_TRUE(reread->predicate());
    EXPECT_EQ(reread->predicate()->format(), original->predicate()->format());
    const QVariantMap issue{{QStringLiteral("statusName"), QStringLiteral("resolu")},
                            {QStringLiteral("key"), QStringLiteral("ABC-1")}};
    EXPECT_TRUE(reread->predicate()->evaluate(QVariant(issue)));
    EXPECT_EQ(reread->humanReadablePredicateDescription(), QStringLiteral("2 filter(s) set up."));
}

TEST_F(IssueFilterManagerTest, AFailedSaveIsLoggedAndKeepsTheList) {
    const QString blocked = m_dir.filePath(QStringLiteral("file"));
    QFile(blocked).open(QIODevice::WriteOnly);
    IssueFilterManager store([blocked] { return blocked + QStringLiteral("/IssueFilters.json"); });
    Platform::SystemLog::Capture log;
    store.append(filter(QStringLiteral("A")));
    EXPECT_TRUE(log.contains(QStringLiteral("could not save ticket filters file: file://") + blocked));
    EXPECT_EQ(store.allIssueFilters().size(), 1);

    IssueFilterManager noFolder([] { return QString(); });
    Platform::SystemLog::Capture noFolderLog;
    noFolder.append(filter(QStringLiteral("A")));
    EXPECT_EQ(noFolder.allIssueFilters().size(), 1);
    EXPECT_TRUE(noFolderLog.contains(QStringLiteral("Could not create Application Support folder")));
}

TEST_F(IssueFilterManagerTest, TheStoreIsReachedFromTheSharedInstanceInApplicationSupport) {
    auto& shared = IssueFilterManager::shared();
    EXPECT_EQ(&shared, &IssueFilterManager::shared());
    EXPECT_TRUE(shared.issueFiltersFilePath().endsWith(QStringLiteral("/Corvantide/IssueFilters.json")));
    EXPECT_TRUE(QDir(QFileInfo(shared.issueFiltersFilePath()).path()).exists());
}

TEST(IssueFilterManagerDeathTest, ListAccessOffTheMainThreadStopsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            IssueFilterManager store([] { return QString(); });
            QThread* thread = QThread::create([&store] { store.allIssueFilters(); });
            thread->start();
            thread->wait();
        },
        "must be called on main thread");
}
