#include "app/SettingPicker.h"

#include "settings/PrefManager.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace quorvel {

SettingPicker::SettingPicker(QComboBox* mirror, QComboBox* preferencesPopUp, PrefManager* prefManager,
                             QObject* parent)
    : QObject(parent)
    , m_mirror(mirror)
    , m_source(preferencesPopUp)
    , m_prefManager(prefManager)
{
    connect(m_mirror, &QComboBox::activated, this, &SettingPicker::pick);
    connect(m_prefManager, &PrefManager::popUpChanged, this, &SettingPicker::follow);
    // The pop-up's items can also change in ways that the controller does not
    // announce one by one (a refill while its signals are blocked): its model
    // still reports them, and the mirror follows once the change is done.
    QAbstractItemModel* items = m_source->model();
    auto later = [this] {
        if (m_followPending)
            return;
        m_followPending = true;
        QMetaObject::invokeMethod(this, &SettingPicker::follow, Qt::QueuedConnection);
    };
    connect(items, &QAbstractItemModel::rowsInserted, this, later);
    connect(items, &QAbstractItemModel::rowsRemoved, this, later);
    connect(items, &QAbstractItemModel::modelReset, this, later);
    connect(items, &QAbstractItemModel::dataChanged, this, later);
    follow();
}

void SettingPicker::follow()
{
    m_followPending = false;
    if (!m_mirror || !m_source)
        return;
    QStringList names;
    for (int i = 0; i < m_source->count(); ++i)
        names << m_source->itemText(i);
    QStringList shown;
    for (int i = 0; i < m_mirror->count(); ++i)
        shown << m_mirror->itemText(i);
    const QSignalBlocker block(m_mirror);
    if (shown != names) {
        m_mirror->clear();
        m_mirror->addItems(names);
    }
    m_mirror->setCurrentIndex(m_source->currentIndex());
}

void SettingPicker::pick(int index)
{
    if (!m_source || !m_prefManager || index < 0 || index >= m_source->count())
        return;
    // Exactly what a pick in the preferences pop-up does: the item becomes
    // its selection, then the controller applies it and tells every copy.
    m_source->setCurrentIndex(index);
    m_prefManager->setThisPref(index);
    follow();
}

} // namespace quorvel
