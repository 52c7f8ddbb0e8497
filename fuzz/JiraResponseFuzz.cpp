// Jira's JSON answers as the client receives them (nulls removed at every depth) and the model objects
// built from them: nothing crashes, no null survives, and what the models answer stays within the JSON.
#include "FuzzSupport.h"
#include "Model/JiraBoard.h"
#include "Model/JiraIssue.h"
#include "Model/JiraProject.h"
#include "Model/JiraResource.h"
#include "Model/JiraSprint.h"
#include "Model/JiraUser.h"
#include "Platform/JSONResponseSerializer.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

bool hasNull(const QJsonValue& value, int depth = 0) {
    if (depth > 200)
        return false;
    if (value.isNull())
        return true;
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            if (hasNull(it.value(), depth + 1))
                return true;
    } else if (value.isArray()) {
        for (const QJsonValue& element : value.toArray())
            if (element.isObject() && hasNull(element, depth + 1))
                return true;
    }
    return false;
}

void buildModels(const QJsonObject& json) {
    if (const std::shared_ptr<JiraResource> site = JiraResource::create(QStringLiteral("acc"), json)) {
        FuzzSupport::check(site->cloudID() == json.value(QStringLiteral("id")).toString(), "site id");
        site->value(QStringLiteral("url"));
    }
    if (const auto project = JiraProject::create(QStringLiteral("acc"), QStringLiteral("cloud"),
                                                 QStringLiteral("https://x.atlassian.net"), json))
        FuzzSupport::check(project->key() == json.value(QStringLiteral("key")).toString(), "project key");
    const JiraUser user(json);
    user.accountID();
    if (const auto current = JiraCurrentUser::create(json))
        FuzzSupport::check(!current->accountID().isEmpty() && !current->emailAddress().isEmpty(),
                           "a current user has every field");
    const JiraBoard board(json);
    board.displayName();
    board.isScrumBoard();
    const JiraSprint sprint(json);
    sprint.startDate();
    if (const auto issue =
            JiraIssue::create(QStringLiteral("cloud"), QStringLiteral("https://x.atlassian.net"),
                              QStringLiteral("Project"), json)) {
        FuzzSupport::check(issue->menuItemTitle().startsWith(issue->key()), "the title starts with the key");
        for (const char* key : {"summary", "assigneeDisplayName", "createdDate", "statusCategoryKey",
                                "fields.priority.name", "menuItemImageName", "url", "statusDict.name"})
            issue->value(QString::fromLatin1(key));
        issue->matchesString(QStringLiteral("a"));
        issue->compareByJiraStatus(*issue);
        issue->menuItemImageURL();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Platform::JSONResponseSerializer serializer;
    serializer.removesKeysWithNullValues = true;
    Platform::HttpResponse response;
    response.statusCode = 200;
    response.headers.append({QByteArray("Content-Type"), QByteArray("application/json; charset=utf-8")});
    const Platform::JSONResponseSerializer::Result result =
        serializer.serialize(response, FuzzSupport::bytes(data, size));
    if (result.error)
        return 0;
    const QJsonValue value = result.responseObject;
    FuzzSupport::check(!value.isObject() || !hasNull(value), "no key with a null value is left");
    if (value.isObject()) {
        buildModels(value.toObject());
        // A search answer's issues, a board or sprint list's values.
        for (const char* list : {"issues", "values"})
            for (const QJsonValue& element : value.toObject().value(QString::fromLatin1(list)).toArray())
                buildModels(element.toObject());
    } else if (value.isArray()) {
        for (const QJsonValue& element : value.toArray())
            buildModels(element.toObject());
    }
    return 0;
}
