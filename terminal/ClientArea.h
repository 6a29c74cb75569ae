// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Failure.h"

#include <QtGlobal>

class ClickableLabel;
struct CommandStates;
class HexView;
class PlotModel;
class PlotView;
class QComboBox;
class QProgressBar;
class QPushButton;
class QToolBar;
class QWidget;
class TerminalView;

// The main window's client area: its controls, made in one place, and placed by the design's
// rules whenever the area changes size. The window connects them to its handlers.
struct ClientArea
{
    explicit ClientArea(QWidget *area);

    // The design's places in twips, grown where the font in use needs it; the view fills what
    // the toolbar and the bottom row leave, so that the row never covers its lowest lines; the
    // plot, when shown, takes the lower half of that.
    void arrange();

    // The indicators and the download's controls as the rule says.
    void show(const CommandStates &s);
    void setTextColour(quint32 rgb);
    void setBlack(bool on); // the view's background in programming mode
    void setProgress(int maximum, int value);
    // The hex view in the text view's place, or the text view; the focus goes with them.
    void showHexView(bool on);
    // The plot of the model below the view, hidden while not shown. No model: the plot goes, as
    // it must before its model does.
    void showPlot(PlotModel *model, bool shown);
    // The plot's points as CSV or its picture as PNG, by the file's extension.
    Failure savePlot(const QString &path) const;

    QWidget *client;
    QToolBar *tbrToolBar;
    TerminalView *txtTerm;
    HexView *hexView; // in the view's place, when shown
    PlotView *plotView = nullptr;
    QWidget *Frame1; // the connection indicators, at one place at the toolbar's right end
    ClickableLabel *imgConnected = nullptr;
    ClickableLabel *imgNotConnected = nullptr;
    QComboBox *cboPort;
    QComboBox *cboSpeed;
    ClickableLabel *sbrStatus;
    QProgressBar *prgSend;
    QPushButton *cmdCancelSend;
};
