#include "Platform/PredicateKeyPath.h"

#include "Platform/PredicateValues.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include <limits>

namespace Platform::PredicateKeyPath {

namespace {

using Kind = Step::Kind;

bool isWordStart(QChar c) {
    return c.isLetter() || c == u'_';
}

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

qsizetype wordEnd(QStringView text, qsizetype from) {
    if (from >= text.size() || !isWordStart(text[from]))
        return from;
    qsizetype end = from + 1;
    while (end < text.size() && isWordChar(text[end]))
        ++end;
    return end;
}

std::optional<Kind> collectionOperator(QStringView name) {
    static const std::pair<QStringView, Kind> operators[] = {{u"count", Kind::Count},
                                                             {u"sum", Kind::Sum},
                                                             {u"avg", Kind::Average},
                                                             {u"min", Kind::Minimum},
                                                             {u"max", Kind::Maximum}};
    for (const auto& [text, kind] : operators) {
        if (name == text)
            return kind;
    }
    return std::nullopt;
}

QString operatorName(Kind kind) {
    switch (kind) {
    case Kind::Count:
        return QStringLiteral("@count");
    case Kind::Sum:
        return QStringLiteral("@sum");
    case Kind::Average:
        return QStringLiteral("@avg");
    case Kind::Minimum:
        return QStringLiteral("@min");
    case Kind::Maximum:
        return QStringLiteral("@max");
    default:
        return {};
    }
}

// JSON values become what can be descended into: objects and arrays stay JSON, null is no value.
QVariant unwrap(const QVariant& value) {
    if (value.typeId() != QMetaType::QJsonValue)
        return value;
    const QJsonValue json = *static_cast<const QJsonValue*>(value.constData());
    if (json.isObject())
        return QVariant::fromValue(json.toObject());
    if (json.isArray())
        return QVariant::fromValue(json.toArray());
    return json.isNull() || json.isUndefined() ? QVariant() : json.toVariant();
}

QVariant plain(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QJsonValue:
        return plain(unwrap(value));
    case QMetaType::QJsonObject:
        return static_cast<const QJsonObject*>(value.constData())->toVariantMap();
    case QMetaType::QJsonArray:
        return static_cast<const QJsonArray*>(value.constData())->toVariantList();
    case QMetaType::QVariantList: {
        const QVariantList& list = *static_cast<const QVariantList*>(value.constData());
        const bool needed = std::any_of(list.cbegin(), list.cend(), [](const QVariant& element) {
            const int type = element.typeId();
            return type == QMetaType::QJsonValue || type == QMetaType::QJsonObject ||
                   type == QMetaType::QJsonArray || type == QMetaType::QVariantList;
        });
        if (!needed)
            return value;
        QVariantList converted;
        converted.reserve(list.size());
        for (const QVariant& element : list)
            converted.append(plain(element));
        return converted;
    }
    default:
        return value;
    }
}

// The elements of an array, JSON ones unwrapped; nothing for what is not an array.
std::optional<QVariantList> elements(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QVariantList:
        return *static_cast<const QVariantList*>(value.constData());
    case QMetaType::QStringList: {
        QVariantList list;
        for (const QString& text : *static_cast<const QStringList*>(value.constData()))
            list.append(text);
        return list;
    }
    case QMetaType::QJsonArray: {
        const QJsonArray& array = *static_cast<const QJsonArray*>(value.constData());
        QVariantList list;
        list.reserve(array.size());
        for (const QJsonValue& element : array)
            list.append(unwrap(QVariant::fromValue(element)));
        return list;
    }
    default:
        return std::nullopt;
    }
}

qsizetype countOf(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QVariantList:
        return static_cast<const QVariantList*>(value.constData())->size();
    case QMetaType::QStringList:
        return static_cast<const QStringList*>(value.constData())->size();
    case QMetaType::QJsonArray:
        return static_cast<const QJsonArray*>(value.constData())->size();
    case QMetaType::QVariantMap:
        return static_cast<const QVariantMap*>(value.constData())->size();
    case QMetaType::QVariantHash:
        return static_cast<const QVariantHash*>(value.constData())->size();
    case QMetaType::QJsonObject:
        return static_cast<const QJsonObject*>(value.constData())->size();
    default:
        return -1;
    }
}

QVariant valueForKey(const QVariant& current, const QString& key) {
    switch (current.typeId()) {
    case QMetaType::QVariantMap: {
        const QVariantMap& map = *static_cast<const QVariantMap*>(current.constData());
        const auto it = map.constFind(key);
        return it == map.cend() ? QVariant() : unwrap(*it);
    }
    case QMetaType::QVariantHash: {
        const QVariantHash& hash = *static_cast<const QVariantHash*>(current.constData());
        const auto it = hash.constFind(key);
        return it == hash.cend() ? QVariant() : unwrap(*it);
    }
    case QMetaType::QJsonObject:
        return unwrap(QVariant::fromValue(static_cast<const QJsonObject*>(current.constData())->value(key)));
    default:
        break;
    }
    if (std::optional<QVariantList> list = elements(current)) {
        // A key of an array is the array of each element's value, missing ones as no value.
        for (QVariant& element : *list)
            element = valueForKey(element, key);
        return *list;
    }
    if (key == u"self" && current.isValid())
        return current;
    return {};
}

QVariant sum(const QVariantList& values) {
    qint64 integral = 0;
    double floating = 0;
    bool exact = true;
    for (const QVariant& value : values) {
        if (PredicateValues::kindOf(value) != PredicateValues::Kind::Number)
            continue;
        floating += value.toDouble();
        const bool fits = PredicateValues::isIntegral(value) &&
                          (value.typeId() != QMetaType::ULongLong ||
                           value.toULongLong() <= quint64(std::numeric_limits<qint64>::max()));
        if (exact && (!fits || __builtin_add_overflow(integral, value.toLongLong(), &integral)))
            exact = false;
    }
    return exact ? QVariant(integral) : QVariant(floating);
}

QVariant average(const QVariantList& values) {
    double total = 0;
    qsizetype count = 0;
    for (const QVariant& value : values) {
        if (PredicateValues::kindOf(value) != PredicateValues::Kind::Number)
            continue;
        total += value.toDouble();
        ++count;
    }
    return count == 0 ? QVariant() : QVariant(total / double(count));
}

QVariant extreme(const QVariantList& values, bool maximum) {
    QVariant best;
    for (const QVariant& value : values) {
        const PredicateValues::Kind kind = PredicateValues::kindOf(value);
        if (kind == PredicateValues::Kind::Nil || kind == PredicateValues::Kind::Other)
            continue;
        if (!best.isValid()) {
            best = value;
            continue;
        }
        const auto op = maximum ? Predicate::Operator::GreaterThan : Predicate::Operator::LessThan;
        if (PredicateValues::compare(value, op, best, {}))
            best = value;
    }
    return best;
}

} // namespace

std::optional<QList<Step>> parse(QStringView keyPath, QString* errorMessage) {
    const auto fail = [&](const QString& reason) -> std::optional<QList<Step>> {
        if (errorMessage)
            *errorMessage = QStringLiteral("\"%1\" is not a key path: %2").arg(keyPath, reason);
        return std::nullopt;
    };
    QList<Step> steps;
    qsizetype pos = 0;
    while (true) {
        const bool isOperator = pos < keyPath.size() && keyPath[pos] == u'@';
        const qsizetype start = isOperator ? pos + 1 : pos;
        const qsizetype end = wordEnd(keyPath, start);
        if (end == start)
            return fail(QStringLiteral("a key is missing at offset %1").arg(start));
        const QStringView word = keyPath.mid(start, end - start);
        Step step;
        if (isOperator) {
            const std::optional<Kind> kind = collectionOperator(word);
            if (!kind)
                return fail(QStringLiteral("the collection operator @%1 is not supported").arg(word));
            step.kind = *kind;
        } else {
            step.key = word.toString();
        }
        steps.append(step);
        pos = end;
        while (pos < keyPath.size() && keyPath[pos] == u'[') {
            const qsizetype close = keyPath.indexOf(u']', pos);
            if (close < 0)
                return fail(QStringLiteral("the subscript at offset %1 is not closed").arg(pos));
            const QStringView index = keyPath.mid(pos + 1, close - pos - 1);
            Step subscript;
            bool ok = false;
            if (index.compare(u"FIRST", Qt::CaseInsensitive) == 0)
                subscript.kind = Kind::First;
            else if (index.compare(u"LAST", Qt::CaseInsensitive) == 0)
                subscript.kind = Kind::Last;
            else if (index.compare(u"SIZE", Qt::CaseInsensitive) == 0)
                subscript.kind = Kind::Size;
            else if (!index.isEmpty() &&
                     std::all_of(index.begin(), index.end(),
                                 [](QChar c) { return c >= u'0' && c <= u'9'; }) &&
                     (subscript.position = index.toLongLong(&ok), ok))
                subscript.kind = Kind::Position;
            else
                return fail(
                    QStringLiteral("a subscript is FIRST, LAST, SIZE or a position, not \"%1\"").arg(index));
            steps.append(subscript);
            pos = close + 1;
        }
        if (pos == keyPath.size())
            return steps;
        if (keyPath[pos] != u'.')
            return fail(QStringLiteral("unexpected \"%1\" at offset %2").arg(keyPath[pos]).arg(pos));
        ++pos;
    }
}

QString format(const QList<Step>& steps) {
    QString text;
    for (const Step& step : steps) {
        switch (step.kind) {
        case Kind::Key:
            if (!text.isEmpty())
                text += u'.';
            if (isReservedPredicateWord(step.key))
                text += u'#';
            text += step.key;
            break;
        case Kind::First:
            text += QStringLiteral("[FIRST]");
            break;
        case Kind::Last:
            text += QStringLiteral("[LAST]");
            break;
        case Kind::Size:
            text += QStringLiteral("[SIZE]");
            break;
        case Kind::Position:
            text += u'[' + QString::number(step.position) + u']';
            break;
        default:
            if (!text.isEmpty())
                text += u'.';
            text += operatorName(step.kind);
            break;
        }
    }
    return text;
}

QVariant value(const QVariant& root, const QList<Step>& steps, qsizetype from) {
    QVariant current = unwrap(root);
    for (qsizetype i = from; i < steps.size(); ++i) {
        const Step& step = steps[i];
        switch (step.kind) {
        case Kind::Key:
            current = valueForKey(current, step.key);
            break;
        case Kind::Count:
        case Kind::Size: {
            const qsizetype count = countOf(current);
            current = count < 0 ? QVariant() : QVariant(qint64(count));
            break;
        }
        case Kind::First:
        case Kind::Last:
        case Kind::Position: {
            const std::optional<QVariantList> list = elements(current);
            const qint64 index = step.kind == Kind::First  ? 0
                                 : step.kind == Kind::Last ? qint64(list ? list->size() - 1 : -1)
                                                           : step.position;
            current = list && index >= 0 && index < list->size() ? list->at(index) : QVariant();
            break;
        }
        case Kind::Sum:
        case Kind::Average:
        case Kind::Minimum:
        case Kind::Maximum: {
            // The rest of the path is read from each element, then the results are combined.
            std::optional<QVariantList> list = elements(current);
            if (!list)
                return {};
            for (QVariant& element : *list)
                element = PredicateValues::normalized(value(element, steps, i + 1));
            if (step.kind == Kind::Sum)
                return sum(*list);
            if (step.kind == Kind::Average)
                return average(*list);
            return extreme(*list, step.kind == Kind::Maximum);
        }
        }
        if (!current.isValid())
            return {};
    }
    return plain(current);
}

QVariant valueForKeyPath(const QString& keyPath,
                         const std::function<QVariant(const QString& key)>& valueForKey) {
    // The common case, one plain key, without parsing.
    if (std::none_of(keyPath.cbegin(), keyPath.cend(),
                     [](QChar c) { return c == u'.' || c == u'[' || c == u'@'; }))
        return plain(unwrap(valueForKey(keyPath)));
    std::optional<QList<Step>> steps = parse(keyPath);
    if (!steps) {
        steps.emplace();
        for (const QString& key : keyPath.split(u'.'))
            steps->append(Step{Kind::Key, key, 0});
    }
    if (steps->isEmpty() || steps->constFirst().kind != Kind::Key)
        return {};
    return value(valueForKey(steps->constFirst().key), *steps, 1);
}

} // namespace Platform::PredicateKeyPath
