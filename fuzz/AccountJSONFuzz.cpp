// Token answers and the account document kept in the keychain: a document reads back to the same account,
// and the printed form that log lines show never holds a token.
#include "FuzzSupport.h"
#include "Model/JiraAccount.h"
#include "ZRJira/FetchTokenResponse.h"
#include "ZRJira/ZRJJSONUtilities.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

/*! A token value worth looking for in a log line: long and made of token characters only, so that it cannot
    be part of the JSON syntax or of another value by chance. */
bool isDistinctToken(const QString& value, const QByteArray& input) {
    if (value.size() < 16)
        return false;
    for (const QChar c : value)
        if (!c.isLetterOrNumber() && c != u'-' && c != u'_' && c != u'.')
            return false;
    return input.count(value.toUtf8()) == 1;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = FuzzSupport::bytes(data, size);
    const QJsonDocument document = QJsonDocument::fromJson(input);
    if (!document.isObject())
        return 0;
    const QJsonObject json = document.object();

    if (const std::optional<JiraAccount> account = JiraAccount::fromJson(json)) {
        const QByteArray stored = QJsonDocument(account->toJson()).toJson(QJsonDocument::Compact);
        const std::optional<JiraAccount> back =
            JiraAccount::fromJson(QJsonDocument::fromJson(stored).object());
        FuzzSupport::check(back.has_value(), "a stored account reads back");
        FuzzSupport::check(*back == *account, "a stored account reads back equal");
    }
    if (const std::optional<FetchTokenResponse> token = FetchTokenResponse::fromJson(json)) {
        const std::optional<FetchTokenResponse> back = FetchTokenResponse::fromJson(token->toJson());
        FuzzSupport::check(back.has_value() && *back == *token, "a token answer survives its JSON form");
    }

    const QString printed = ZRJJSONUtilities::printedForm(json);
    const QString body = ZRJJSONUtilities::redactedBody(input).value_or(QString());
    for (const char* key : {"access_token", "refresh_token", "accessToken", "refreshToken"}) {
        const QJsonValue value = json.value(QString::fromLatin1(key));
        if (!value.isString() || !isDistinctToken(value.toString(), input))
            continue;
        FuzzSupport::check(!printed.contains(value.toString()), "a printed answer holds no token");
        FuzzSupport::check(!body.contains(value.toString()), "a logged body holds no token");
    }
    return 0;
}
