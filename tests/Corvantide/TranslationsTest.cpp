// Every translatable text of the code has its entry in the translation sources: lupdate (the extractor the
// build uses) reads the code into a fresh file, and each of its messages must be in resources/translations.
#include <QDirIterator>
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

/*! context, source text and disambiguation comment of each message of a .ts file. */
QSet<QString> messages(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return {};
    }
    QSet<QString> found;
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    QString comment;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"name")
                context = xml.readElementText();
            else if (xml.name() == u"message")
                source.clear(), comment.clear();
            else if (xml.name() == u"source")
                source = xml.readElementText();
            else if (xml.name() == u"comment")
                comment = xml.readElementText();
        } else if (xml.isEndElement() && xml.name() == u"message") {
            found.insert(context + QStringLiteral(" | ") + source +
                         (comment.isEmpty() ? QString() : QStringLiteral(" (") + comment + QLatin1Char(')')));
        }
    }
    if (xml.hasError())
        *error = xml.errorString();
    return found;
}

QStringList codeFiles() {
    QStringList files;
    QDirIterator it(QStringLiteral(CORVANTIDE_SOURCE_DIR "/src"), {"*.cpp", "*.h", "*.ui"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    return files;
}

} // namespace

TEST(TranslationsTest, EveryTranslatableTextOfTheCodeIsInTheTranslationSources) {
    const QString lupdate = QLibraryInfo::path(QLibraryInfo::BinariesPath) + QStringLiteral("/lupdate");
    ASSERT_TRUE(QFile::exists(lupdate)) << lupdate.toStdString();
    QTemporaryDir dir;
    const QString fresh = dir.filePath(QStringLiteral("fresh.ts"));
    QProcess extract;
    extract.setProcessChannelMode(QProcess::MergedChannels);
    extract.start(lupdate, QStringList{"-silent", "-locations", "none", "-source-language", "en"} +
                               codeFiles() + QStringList{"-ts", fresh});
    ASSERT_TRUE(extract.waitForFinished(120000));
    ASSERT_EQ(extract.exitCode(), 0) << extract.readAll().constData();

    QString error;
    const QSet<QString> inCode = messages(fresh, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_FALSE(inCode.isEmpty());

    QDirIterator ts(QStringLiteral(CORVANTIDE_SOURCE_DIR "/resources/translations"), {"*.ts"}, QDir::Files);
    int files = 0;
    while (ts.hasNext()) {
        const QString path = ts.next();
        const QSet<QString> inFile = messages(path, &error);
        ASSERT_TRUE(error.isEmpty()) << path.toStdString() << ": " << error.toStdString();
        // Each language's file holds every text.
        QStringList missing = QStringList((inCode - inFile).values());
        missing.sort();
        EXPECT_TRUE(missing.isEmpty())
            << path.toStdString() << " misses these texts of the code (run `cmake --build build --target "
            << "update_translations`):\n  " << missing.join(QStringLiteral("\n  ")).toStdString();
        ++files;
    }
    EXPECT_GE(files, 1);
}
