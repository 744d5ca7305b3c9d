#include "info/PropertyList.h"

#include <QDateTime>
#include <QVariantList>
#include <QVariantMap>
#include <QXmlStreamReader>

namespace quorvel::info {
namespace {

// Deep enough for any real list; keeps the recursion far from the stack's end.
constexpr int maxDepth = 64;

class PropertyListReader {
public:
    explicit PropertyListReader(QByteArrayView data)
        : m_xml(data.toByteArray())
    {
    }

    std::optional<QVariant> read()
    {
        if (!nextElement() || !m_xml.isStartElement() || m_xml.name() != QLatin1String("plist"))
            return std::nullopt;
        if (!nextElement() || !m_xml.isStartElement())
            return std::nullopt; // an empty list has no root value
        std::optional<QVariant> root = value(0);
        if (!root || !nextElement() || !m_xml.isEndElement())
            return std::nullopt; // more than one root value
        // After </plist> only comments and white space may follow.
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::StartElement || !acceptable(token))
                return std::nullopt;
        }
        if (m_xml.hasError())
            return std::nullopt;
        return root;
    }

private:
    // Tokens that carry nothing of the list's content.
    bool acceptable(QXmlStreamReader::TokenType token)
    {
        switch (token) {
        case QXmlStreamReader::StartDocument:
        case QXmlStreamReader::EndDocument:
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            return true;
        case QXmlStreamReader::DTD:
            // A document type by name only: the reader would expand what an
            // internal subset declares, so a list that has one is refused.
            return !m_xml.text().contains(QLatin1Char('[')) && m_xml.entityDeclarations().isEmpty();
        case QXmlStreamReader::Characters:
            return m_xml.isWhitespace();
        default:
            return false;
        }
    }

    // Moves to the next start or end element; false on anything else.
    bool nextElement()
    {
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::StartElement || token == QXmlStreamReader::EndElement)
                return true;
            if (!acceptable(token))
                return false;
        }
        return false;
    }

    // The text up to the current element's end; no child elements.
    std::optional<QString> text()
    {
        QString result;
        while (!m_xml.atEnd()) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::Characters:
                result += m_xml.text();
                break;
            case QXmlStreamReader::Comment:
            case QXmlStreamReader::ProcessingInstruction:
                break;
            case QXmlStreamReader::EndElement:
                return result;
            default:
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    // The value whose start element is the current token.
    std::optional<QVariant> value(int depth)
    {
        if (depth > maxDepth)
            return std::nullopt;
        const QStringView name = m_xml.name();
        if (name == QLatin1String("dict"))
            return dict(depth);
        if (name == QLatin1String("array"))
            return array(depth);
        if (name == QLatin1String("true") || name == QLatin1String("false")) {
            const bool truth = name == QLatin1String("true");
            const std::optional<QString> content = text();
            if (!content || !content->trimmed().isEmpty())
                return std::nullopt;
            return QVariant(truth);
        }
        if (name == QLatin1String("string") || name == QLatin1String("key")) {
            if (const std::optional<QString> content = text())
                return QVariant(*content);
            return std::nullopt;
        }
        if (name == QLatin1String("integer"))
            return scalar([](const QString& s, bool* ok) { return QVariant(s.toLongLong(ok, 10)); });
        if (name == QLatin1String("real"))
            return scalar([](const QString& s, bool* ok) { return QVariant(s.toDouble(ok)); });
        if (name == QLatin1String("date")) {
            return scalar([](const QString& s, bool* ok) {
                const QDateTime date = QDateTime::fromString(s, Qt::ISODate);
                *ok = date.isValid();
                return QVariant(date.toUTC());
            });
        }
        if (name == QLatin1String("data")) {
            return scalar([](const QString& s, bool* ok) {
                QByteArray encoded = s.toLatin1();
                encoded.removeIf([](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
                auto decoded = QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
                *ok = static_cast<bool>(decoded);
                return QVariant(decoded.decoded);
            });
        }
        return std::nullopt;
    }

    template<typename Convert>
    std::optional<QVariant> scalar(Convert convert)
    {
        const std::optional<QString> content = text();
        if (!content)
            return std::nullopt;
        bool ok = false;
        QVariant result = convert(content->trimmed(), &ok);
        if (!ok)
            return std::nullopt;
        return result;
    }

    std::optional<QVariant> array(int depth)
    {
        QVariantList items;
        while (nextElement()) {
            if (m_xml.isEndElement())
                return QVariant(items);
            std::optional<QVariant> item = value(depth + 1);
            if (!item)
                return std::nullopt;
            items.append(*item);
        }
        return std::nullopt;
    }

    std::optional<QVariant> dict(int depth)
    {
        QVariantMap entries;
        while (nextElement()) {
            if (m_xml.isEndElement())
                return QVariant(entries);
            if (m_xml.name() != QLatin1String("key"))
                return std::nullopt;
            const std::optional<QString> key = text();
            if (!key || !nextElement() || !m_xml.isStartElement())
                return std::nullopt; // a key without its value
            std::optional<QVariant> entry = value(depth + 1);
            if (!entry)
                return std::nullopt;
            entries.insert(*key, *entry);
        }
        return std::nullopt;
    }

    QXmlStreamReader m_xml;
};

} // namespace

std::optional<QVariant> parsePropertyList(QByteArrayView data)
{
    if (data.size() > maxPropertyListSize)
        return std::nullopt;
    return PropertyListReader(data).read();
}

} // namespace quorvel::info
