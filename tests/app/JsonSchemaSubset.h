#pragma once

// A validator for the subset of JSON Schema that the documents in docs/ use,
// shared by the tests of quorvel-inspect's JSON outputs.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStringList>

#include <cmath>

namespace quorvel::test {

// Validates the subset of JSON Schema that docs/inspect-json-schema.json uses;
// a keyword outside that subset is an error too, so the schema cannot grow
// past what is checked here.
class SchemaValidator {
public:
    explicit SchemaValidator(const QJsonObject& root) : m_root(root) {}

    QStringList validate(const QJsonValue& value) const
    {
        QStringList errors;
        check(value, m_root, QStringLiteral("$"), errors);
        return errors;
    }

private:
    static bool hasType(const QJsonValue& v, const QString& type)
    {
        if (type == QLatin1String("object")) return v.isObject();
        if (type == QLatin1String("array")) return v.isArray();
        if (type == QLatin1String("string")) return v.isString();
        if (type == QLatin1String("boolean")) return v.isBool();
        if (type == QLatin1String("null")) return v.isNull();
        if (type == QLatin1String("number")) return v.isDouble();
        if (type == QLatin1String("integer")) return v.isDouble() && v.toDouble() == std::floor(v.toDouble());
        return false;
    }

    void check(const QJsonValue& v, QJsonObject schema, const QString& at, QStringList& errors) const
    {
        static const QSet<QString> known{"$schema", "$id", "title", "description", "type", "required",
                                         "additionalProperties", "properties", "items", "$ref", "$defs",
                                         "const", "enum", "minimum", "exclusiveMinimum"};
        for (const QString& keyword : schema.keys())
            if (!known.contains(keyword))
                errors << at + QStringLiteral(": schema keyword not checked here: ") + keyword;
        if (schema.contains(QLatin1String("$ref"))) {
            const QString ref = schema.value(QLatin1String("$ref")).toString();
            const QString prefix = QStringLiteral("#/$defs/");
            if (!ref.startsWith(prefix)) {
                errors << at + QStringLiteral(": unsupported reference ") + ref;
                return;
            }
            check(v, m_root.value(QLatin1String("$defs")).toObject().value(ref.mid(prefix.size())).toObject(), at, errors);
        }
        if (schema.contains(QLatin1String("type"))) {
            const QJsonValue type = schema.value(QLatin1String("type"));
            const QJsonArray types = type.isArray() ? type.toArray() : QJsonArray{type};
            bool matches = false;
            for (const QJsonValue& t : types)
                matches = matches || hasType(v, t.toString());
            if (!matches) {
                errors << at + QStringLiteral(": wrong type");
                return;
            }
        }
        if (schema.contains(QLatin1String("const")) && v != schema.value(QLatin1String("const")))
            errors << at + QStringLiteral(": not the constant");
        if (schema.contains(QLatin1String("enum")) && !schema.value(QLatin1String("enum")).toArray().contains(v))
            errors << at + QStringLiteral(": not one of the enumerated values: ") + QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
        if (v.isDouble()) {
            if (schema.contains(QLatin1String("minimum")) && v.toDouble() < schema.value(QLatin1String("minimum")).toDouble())
                errors << at + QStringLiteral(": below the minimum");
            if (schema.contains(QLatin1String("exclusiveMinimum"))
                && v.toDouble() <= schema.value(QLatin1String("exclusiveMinimum")).toDouble())
                errors << at + QStringLiteral(": not above the minimum");
        }
        if (v.isObject()) {
            const QJsonObject object = v.toObject();
            const QJsonObject properties = schema.value(QLatin1String("properties")).toObject();
            for (const QJsonValue& name : schema.value(QLatin1String("required")).toArray())
                if (!object.contains(name.toString()))
                    errors << at + QStringLiteral(": missing ") + name.toString();
            for (auto it = object.begin(); it != object.end(); ++it) {
                if (properties.contains(it.key()))
                    check(it.value(), properties.value(it.key()).toObject(), at + QLatin1Char('.') + it.key(), errors);
                else if (schema.value(QLatin1String("additionalProperties")) == QJsonValue(false))
                    errors << at + QStringLiteral(": unexpected ") + it.key();
            }
        }
        if (v.isArray() && schema.contains(QLatin1String("items"))) {
            const QJsonArray items = v.toArray();
            for (qsizetype i = 0; i < items.size(); ++i)
                check(items.at(i), schema.value(QLatin1String("items")).toObject(), at + QStringLiteral("[%1]").arg(i), errors);
        }
    }

    QJsonObject m_root;
};

inline SchemaValidator schemaFrom(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return SchemaValidator(QJsonObject{{QStringLiteral("const"), QStringLiteral("schema file missing: ") + path}});
    return SchemaValidator(QJsonDocument::fromJson(file.readAll()).object());
}

} // namespace quorvel::test
