#pragma once

#include <QSortFilterProxyModel>
#include <QString>

#include <optional>

namespace custodia {

class TrailTableModel;

// The lines of a trail a supervisor asked for: by user (the console user or the account), object,
// action and a time range. An empty filter passes every line.
class TrailFilterProxy final : public QSortFilterProxyModel {
    Q_OBJECT

public:
    // How the object filter compares: a typed text anywhere in the object, or one object by its name
    // ("user ann" passes "user ann" only; "group 004" passes the group whatever its name was then).
    enum class ObjectMatch { Contains, Named };

    explicit TrailFilterProxy(QObject* parent = nullptr);

    void SetTrail(TrailTableModel* trail);
    void SetUser(const QString& user);
    void SetObject(const QString& object, ObjectMatch match = ObjectMatch::Contains);
    void SetAction(const QString& action);
    // Seconds since the epoch, both ends included.
    void SetRange(std::optional<long long> from, std::optional<long long> to);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    bool PassesObject(const std::string& object) const;

    TrailTableModel* m_trail = nullptr;
    std::string m_user;
    std::string m_object;
    ObjectMatch m_objectMatch = ObjectMatch::Contains;
    std::string m_action;
    std::optional<long long> m_from;
    std::optional<long long> m_to;
};

} // namespace custodia
