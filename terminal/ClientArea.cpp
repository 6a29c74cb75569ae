// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/ClientArea.h"

#include "common/Twips.h"
#include "plot/PlotView.h"
#include "session/CommandStates.h"
#include "terminal/ClickableLabel.h"
#include "terminal/HexView.h"
#include "terminal/Icons.h"
#include "terminal/TerminalView.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolBar>
#include <algorithm>
#include <cmath>

namespace {
constexpr int kStatusRow = 315;  // twips
constexpr int kSlotWidth = 1215; // progress bar, cancel button, each drop-down list

ClickableLabel *indicator(QHBoxLayout *place, Icons::Kind icon, const QString &hint)
{
    auto *label = new ClickableLabel(place->parentWidget());
    label->setPixmap(Icons::make(icon).pixmap(16, 16));
    label->setToolTip(hint);
    place->addWidget(label);
    return label;
}
} // namespace

ClientArea::ClientArea(QWidget *area)
    : client(area)
    , tbrToolBar(new QToolBar(area))
    , txtTerm(new TerminalView(area))
    , hexView(new HexView(txtTerm, area))
    , Frame1(new QWidget(area))
    , cboPort(new QComboBox(area))
    , cboSpeed(new QComboBox(area))
    , sbrStatus(new ClickableLabel(area))
    , prgSend(new QProgressBar(area))
    , cmdCancelSend(new QPushButton(QStringLiteral("Cancel Send"), area))
{
    auto *indicators = new QHBoxLayout(Frame1);
    indicators->setContentsMargins(0, 0, 0, 0);
    imgConnected = indicator(indicators, Icons::Kind::Connected, QStringLiteral("Disconnect"));
    imgNotConnected = indicator(indicators, Icons::Kind::NotConnected, QStringLiteral("Connect"));
    tbrToolBar->setIconSize(QSize(24, 24));
    tbrToolBar->setMovable(false);
    hexView->hide();
    // Lists that show a stored text even when it is none of their items ("Comx", "31250"); only
    // picking an item does anything.
    for (QComboBox *list : {cboPort, cboSpeed}) {
        list->setEditable(true);
        list->lineEdit()->setReadOnly(true);
    }
    cboPort->setObjectName(QStringLiteral("cboPort"));
    cboSpeed->setObjectName(QStringLiteral("cboSpeed"));
    sbrStatus->setObjectName(QStringLiteral("Settings"));
    sbrStatus->setFrameShape(QFrame::Panel);
    sbrStatus->setFrameShadow(QFrame::Sunken);
    sbrStatus->setToolTip(QStringLiteral("Communications Port Settings"));
    sbrStatus->setText(QStringLiteral("Settings:"));
    prgSend->setTextVisible(false);
}

void ClientArea::arrange()
{
    using Twips::fromPixels;
    using Twips::toPixels;
    const double W = fromPixels(client->width());
    const double H = fromPixels(client->height());
    const double toolbarHeight = fromPixels(tbrToolBar->sizeHint().height());
    tbrToolBar->setGeometry(0, 0, client->width(), tbrToolBar->sizeHint().height());
    const double slot =
        std::max({double(kSlotWidth), fromPixels(cboPort->sizeHint().width()), fromPixels(cboSpeed->sizeHint().width()),
                  fromPixels(cmdCancelSend->sizeHint().width())});
    const double row = std::max(double(kStatusRow), fromPixels(cmdCancelSend->sizeHint().height()));

    const double viewHeight = std::max(0.0, std::round(H - toolbarHeight - row));
    const bool plotShown = plotView && !plotView->isHidden();
    const double plotHeight = plotShown ? std::round(viewHeight / 2) : 0;
    txtTerm->setGeometry(0, toPixels(toolbarHeight), client->width(), toPixels(viewHeight - plotHeight));
    hexView->setGeometry(txtTerm->geometry());
    if (plotShown) // hidden, it keeps its size: squeezed to nothing, it would draw into nothing when shown
        plotView->setGeometry(0, txtTerm->geometry().bottom() + 1, client->width(),
                              toPixels(toolbarHeight + viewHeight) - txtTerm->geometry().bottom() - 1);

    const double frameWidth = fromPixels(Frame1->sizeHint().width());
    const int listTop = (tbrToolBar->height() - cboPort->sizeHint().height()) / 2;
    Frame1->setGeometry(toPixels(W - 1.5 * frameWidth), (tbrToolBar->height() - Frame1->sizeHint().height()) / 2,
                        toPixels(frameWidth), Frame1->sizeHint().height());
    cboPort->setGeometry(toPixels(W - slot - 1.5 * frameWidth), listTop, toPixels(slot), cboPort->sizeHint().height());
    cboSpeed->setGeometry(toPixels(W - 2 * slot - 1.5 * frameWidth), listTop, toPixels(slot),
                          cboSpeed->sizeHint().height());

    // The bottom row starts where the view ends.
    const double rowTop = toolbarHeight + viewHeight;
    sbrStatus->setGeometry(0, toPixels(rowTop), toPixels(std::max(0.0, W - slot)), toPixels(row));
    cmdCancelSend->setGeometry(toPixels(W - slot + 5), toPixels(rowTop), toPixels(slot), toPixels(row));
    prgSend->setGeometry(toPixels(W - 2 * slot + 5), toPixels(rowTop), toPixels(slot), toPixels(row));
    tbrToolBar->lower();
}

void ClientArea::show(const CommandStates &s)
{
    imgConnected->setVisible(s.imgConnectedShown);
    imgNotConnected->setVisible(!s.imgConnectedShown);
    imgConnected->setEnabled(s.imgConnectedEnabled);
    imgNotConnected->setToolTip(s.indicatorWaits ? QStringLiteral("Waiting for the device; click to stop waiting")
                                                 : QStringLiteral("Connect"));
    cmdCancelSend->setVisible(s.downloadControls);
    prgSend->setVisible(s.downloadControls);
}

void ClientArea::setTextColour(quint32 rgb)
{
    QPalette palette = txtTerm->palette();
    palette.setColor(QPalette::Text, QColor::fromRgb(rgb));
    txtTerm->setPalette(palette);
}

void ClientArea::setBlack(bool on)
{
    QPalette palette = txtTerm->palette();
    palette.setColor(QPalette::Base, on ? QColor(Qt::black) : QApplication::palette().color(QPalette::Base));
    txtTerm->setPalette(palette);
}

void ClientArea::setProgress(int maximum, int value)
{
    if (maximum >= 0)
        prgSend->setMaximum(maximum);
    prgSend->setValue(value);
}

void ClientArea::showHexView(bool on)
{
    const bool hadFocus = txtTerm->hasFocus() || hexView->hasFocus();
    hexView->setVisible(on);
    txtTerm->setVisible(!on);
    if (hadFocus)
        on ? hexView->setFocus() : txtTerm->setFocus();
}

void ClientArea::showPlot(PlotModel *model, bool shown)
{
    if (!model) {
        delete plotView;
        plotView = nullptr;
    } else if (!plotView) {
        plotView = new PlotView(*model, client);
    }
    if (plotView)
        plotView->setVisible(shown);
    arrange();
}

Failure ClientArea::savePlot(const QString &path) const
{
    if (!plotView)
        return QStringLiteral("There is no plot to save: switch it on in the View menu.");
    return plotView->save(path);
}
