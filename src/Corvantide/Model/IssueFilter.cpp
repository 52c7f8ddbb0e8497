#include "Model/IssueFilter.h"

#include "Model/JiraProject.h"
#include "Platform/SystemLog.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <QUuid>

#include <cmath>

namespace {

const QString IdentifierKey = QStringLiteral("identifier");
const QString AccountIDKey = QStringLiteral("accountID");
const QString CloudIDKey = QStringLiteral("cloudID");
const QString ProjectIdentifierKey = QStringLiteral("projectIdentifier");
const QString NameKey = QStringLiteral("name");
const QString ShowOnlyMyIssuesKey = QStringLiteral("showOnlyMyIssues");
const QString IssueFilterKey = QStringLiteral("issueFilter");
const QString SprintFilterKey = QStringLiteral("sprintFilter");
const QString PredicateKey = QStringLiteral("predicate");

// Reads the required keys of one filter; the first missing or mistyped key ends decoding with its name.
class RequiredKeys {
public:
    explicit RequiredKeys(const QJsonObject& json)
        : m_json(json) {}

    QString string(const QString& key) {
        const QJsonValue value = m_json.value(key);
        if (!value.isString())
            fail(key, QStringLiteral("a string"));
        return value.toString();
    }

    bool boolean(const QString& key) {
        const QJsonValue value = m_json.value(key);
        if (!value.isBool())
            fail(key, QStringLiteral("a boolean"));
        return value.toBool();
    }

    // A whole number of any size; one that names no condition (beyond the int range too) reads as -1.
    int integer(const QString& key) {
        const QJsonValue value = m_json.value(key);
        const double number = value.toDouble();
        if (!value.isDouble() || !std::isfinite(number) || number != std::trunc(number)) {
            fail(key, QStringLiteral("an integer"));
            return -1;
        }
        return std::fabs(number) <= 1000.0 ? int(number) : -1;
    }

    const QString& error() const { return m_error; }

private:
    void fail(const QString& key, const QString& type) {
        if (m_error.isEmpty())
            m_error = m_json.contains(key) ? QStringLiteral("\"%1\" is not %2").arg(key, type)
                                           : QStringLiteral("the key \"%1\" is missing").arg(key);
    }

    const QJsonObject& m_json;
    QString m_error;
};

} // namespace

IssueFilter::IssueFilter(const QString& identifier, const QString& accountID, const QString& cloudID,
                         const QString& projectIdentifier, const QString& name)
    : m_identifier(identifier)
    , m_accountID(accountID)
    , m_cloudID(cloudID)
    , m_projectIdentifier(projectIdentifier)
    , m_name(name) {}

std::shared_ptr<IssueFilter> IssueFilter::forProject(const JiraProject& project) {
    return std::make_shared<IssueFilter>(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(),
                                         project.accountID(), project.cloudID(), project.identifier(),
                                         project.name().value_or(tr("New Project")));
}

std::shared_ptr<IssueFilter> IssueFilter::fromJson(const QJsonObject& json, QString* errorMessage) {
    RequiredKeys keys(json);
    auto filter = std::make_shared<IssueFilter>(keys.string(IdentifierKey), keys.string(AccountIDKey),
                                                keys.string(CloudIDKey), keys.string(ProjectIdentifierKey),
                                                keys.string(NameKey));
    filter->m_showOnlyMyIssues = keys.boolean(ShowOnlyMyIssuesKey);
    const int issueFilter = keys.integer(IssueFilterKey);
    const int sprintFilter = keys.integer(SprintFilterKey);
    if (!keys.error().isEmpty()) {
        if (errorMessage)
            *errorMessage = keys.error();
        return nullptr;
    }
    // Values from a newer or damaged file that name no condition mean "all".
    if (issueFilter >= 0 && issueFilter < int(allIssueFilterTypes.size()))
        filter->m_issueFilterType = IssueFilterType(issueFilter);
    if (sprintFilter >= 0 && sprintFilter < int(allSprintFilterTypes.size()))
        filter->m_sprintFilterType = SprintFilterType(sprintFilter);

    // A predicate that cannot be read costs only the predicate, not the filter.
    const QJsonValue predicate = json.value(PredicateKey);
    if (!predicate.isUndefined() && !predicate.isNull()) {
        QString problem;
        const auto decoded = QByteArray::fromBase64Encoding(predicate.toString().toLatin1(),
                                                            QByteArray::AbortOnBase64DecodingErrors);
        if (!predicate.isString())
            problem = QStringLiteral("it is not a string");
        else if (!decoded)
            problem = QStringLiteral("it is not Base64");
        else
            filter->m_predicate = Platform::Predicate::fromFormat(QString::fromUtf8(*decoded), &problem);
        // Kept as it was stored, so that saving gives it back to a build that can read it.
        if (!filter->m_predicate) {
            filter->m_unreadablePredicate = predicate;
            Platform::SystemLog::log(QStringLiteral("could not read the advanced filter of ticket filter %1 "
                                                    "\"%2\" (kept unchanged; the filter runs without it): %3")
                                         .arg(Platform::SystemLog::escaped(filter->m_identifier),
                                              Platform::SystemLog::escaped(filter->m_name),
                                              Platform::SystemLog::escaped(problem)));
        }
    }
    return filter;
}

QJsonObject IssueFilter::toJson() const {
    QJsonObject json{{IdentifierKey, m_identifier},
                     {AccountIDKey, m_accountID},
                     {CloudIDKey, m_cloudID},
                     {ProjectIdentifierKey, m_projectIdentifier},
                     {NameKey, m_name},
                     {ShowOnlyMyIssuesKey, m_showOnlyMyIssues},
                     {IssueFilterKey, issueFilter()},
                     {SprintFilterKey, sprintFilter()}};
    if (m_predicate)
        json.insert(PredicateKey, QString::fromLatin1(m_predicate->format().toUtf8().toBase64()));
    else if (hasUnreadablePredicate())
        json.insert(PredicateKey, m_unreadablePredicate);
    return json;
}

QByteArray IssueFilter::toJsonData() const {
    return QJsonDocument(toJson()).toJson(QJsonDocument::Compact);
}

std::shared_ptr<IssueFilter> IssueFilter::fromJsonData(const QByteArray& data, QString* errorMessage) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (!document.isObject()) {
        if (errorMessage)
            *errorMessage = parseError.error != QJsonParseError::NoError
                                ? parseError.errorString()
                                : QStringLiteral("not a JSON object");
        return nullptr;
    }
    return fromJson(document.object(), errorMessage);
}

void IssueFilter::setName(const QString& name) {
    if (name == m_name)
        return;
    m_name = name;
    Q_EMIT nameChanged();
}

void IssueFilter::setShowOnlyMyIssues(bool showOnlyMyIssues) {
    if (showOnlyMyIssues == m_showOnlyMyIssues)
        return;
    m_showOnlyMyIssues = showOnlyMyIssues;
    Q_EMIT showOnlyMyIssuesChanged();
}

void IssueFilter::setPredicate(const std::optional<Platform::Predicate>& predicate) {
    if (predicate && !predicate->isValid()) {
        Platform::SystemLog::log(QStringLiteral("refusing an advanced filter for ticket filter %1: %2")
                                     .arg(Platform::SystemLog::escaped(m_identifier),
                                          Platform::SystemLog::escaped(predicate->errorMessage())));
        return;
    }
    if (predicate == m_predicate && !hasUnreadablePredicate())
        return;
    m_predicate = predicate;
    m_unreadablePredicate = QJsonValue(QJsonValue::Undefined);
    Q_EMIT predicateChanged();
    Q_EMIT humanReadablePredicateDescriptionChanged();
}

// Stores a raw value of the enumeration into the field; answers whether the field changed.
template <typename Enum, std::size_t Count>
static bool assignRawValue(int rawValue, const std::array<Enum, Count>& cases, Enum& field,
                           const char* what) {
    if (rawValue < 0 || rawValue >= int(Count)) {
        Platform::SystemLog::log(
            QStringLiteral("refusing %1 type %2").arg(QLatin1String(what)).arg(rawValue));
        return false;
    }
    if (cases[rawValue] == field)
        return false;
    field = cases[rawValue];
    return true;
}

void IssueFilter::setIssueFilter(int rawValue) {
    if (assignRawValue(rawValue, allIssueFilterTypes, m_issueFilterType, "issue filter"))
        Q_EMIT issueFilterChanged();
}

void IssueFilter::setSprintFilter(int rawValue) {
    if (assignRawValue(rawValue, allSprintFilterTypes, m_sprintFilterType, "sprint filter"))
        Q_EMIT sprintFilterChanged();
}

QString IssueFilter::humanReadablePredicateDescription() const {
    if (!m_predicate)
        return tr("No advanced filter set up.", "predicate description");
    if (m_predicate->isCompound())
        return tr("%n filter(s) set up.", "predicate description", int(m_predicate->subpredicates().size()));
    return tr("1 filter set up.", "predicate description");
}
