#include "history/TrailFilterProxy.h"

#include "history/TrailTableModel.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace custodia {

namespace {

std::string Utf8Of(const QString& text)
{
    return text.trimmed().toStdString();
}

char Folded(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Case is folded for ASCII letters only: the names in a trail are compared as typed otherwise.
bool ContainsFolded(std::string_view text, std::string_view part)
{
    const auto found = std::search(
        text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) { return Folded(a) == Folded(b); });
    return found != text.end() || part.empty();
}

} // namespace

TrailFilterProxy::TrailFilterProxy(QObject* parent)
    : QSortFilterProxyModel(parent)
{
}

void TrailFilterProxy::SetTrail(TrailTableModel* trail)
{
    m_trail = trail;
    setSourceModel(trail);
}

void TrailFilterProxy::SetUser(const QString& user)
{
    m_user = Utf8Of(user);
    invalidateFilter();
}

void TrailFilterProxy::SetObject(const QString& object, ObjectMatch match)
{
    m_object = Utf8Of(object);
    m_objectMatch = match;
    invalidateFilter();
}

void TrailFilterProxy::SetAction(const QString& action)
{
    m_action = action.toStdString();
    invalidateFilter();
}

void TrailFilterProxy::SetRange(std::optional<long long> from, std::optional<long long> to)
{
    m_from = from;
    m_to = to;
    invalidateFilter();
}

bool TrailFilterProxy::PassesObject(const std::string& object) const
{
    if (m_object.empty())
        return true;
    if (m_objectMatch == ObjectMatch::Contains)
        return ContainsFolded(object, m_object);
    // A group's object goes on with the name it had then: "group 004" names it whatever that was.
    return object == m_object
        || (object.size() > m_object.size() && object.compare(0, m_object.size(), m_object) == 0
            && object[m_object.size()] == ' ' && m_object.rfind("group ", 0) == 0);
}

bool TrailFilterProxy::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (m_trail == nullptr || sourceParent.isValid())
        return true;
    const TrailRows::Keys& keys = m_trail->KeysAt(sourceRow);
    if (!m_user.empty() && !ContainsFolded(keys.texts.consoleUser, m_user)
        && !ContainsFolded(keys.texts.account, m_user))
        return false;
    if (!m_action.empty() && keys.texts.action != m_action)
        return false;
    if (!PassesObject(keys.texts.object))
        return false;
    const long long seconds = keys.seconds;
    return (!m_from || seconds >= *m_from) && (!m_to || seconds <= *m_to);
}

} // namespace custodia
