// The batch of files under inspection: the three ways a new batch comes in,
// and stepping through it with wrap-around.
#include "app/QuorvelInfo.h"

#include "app/MainWindow.h"
#include "platform/Log.h"

#include "ui_MainWindow.h"

namespace quorvel {

void QuorvelInfo::showCounter()
{
    form()->myCount->setText(QStringLiteral("%1/%2").arg(m_contatore + 1).arg(m_totale));
}

void QuorvelInfo::enableNavigation()
{
    Ui::MainWindow* ui = form();
    const bool several = m_totale >= 2;
    if (several) {
        ui->prevButton->setEnabled(true);
        ui->nextButton->setEnabled(true);
        showCounter();
    } else {
        ui->myCount->setText(QString());
        ui->prevButton->setEnabled(false);
        ui->nextButton->setEnabled(false);
    }
    ui->prevAction->setEnabled(several);
    ui->nextAction->setEnabled(several);
}

void QuorvelInfo::createFromDragAndDrop(const QStringList& files)
{
    if (files.isEmpty())
        return; // a batch without a current file would be meaningless
    m_nomideifiles = files;
    qCInfo(lcInspector).noquote() << QStringLiteral("CRIBBIO!!");
    m_totale = static_cast<int>(files.size());
    form()->modifyButton->setEnabled(true);
    form()->reportButton->setEnabled(true);
    m_contatore = 0;
    enableNavigation();
    checkImage(*m_nomideifiles);
    form()->tabelleVista->setCurrentIndex(1);
}

void QuorvelInfo::applicationOpenFiles(const QStringList& files)
{
    if (files.isEmpty())
        return;
    m_nomideifiles = files;
    m_contatore = 0;
    checkImage(*m_nomideifiles);
    m_totale = static_cast<int>(files.size());
    form()->modifyButton->setEnabled(true);
    form()->reportButton->setEnabled(true);
    qCInfo(lcInspector).noquote() << QStringLiteral("-->>>>> %1").arg(m_totale);
    enableNavigation();
}

void QuorvelInfo::nextImage()
{
    if (!m_nomideifiles || m_totale < 1)
        return;
    ++m_contatore;
    if (m_contatore >= m_totale)
        m_contatore = 0;
    showCounter();
    checkImage(*m_nomideifiles);
}

void QuorvelInfo::prevImage()
{
    if (!m_nomideifiles || m_totale < 1)
        return;
    if (m_contatore == 0)
        m_contatore = m_totale - 1;
    else
        --m_contatore;
    showCounter();
    checkImage(*m_nomideifiles);
}

} // namespace quorvel
