// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

class ClickableLabel;
struct CommandStates;
class HexView;
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
    // the toolbar and the bottom row leave, so that the row never covers its lowest lines.
    void arrange();

    // The indicators and the download's controls as the rule says.
    void show(const CommandStates &s);
    void setTextColour(quint32 rgb);
    void setBlack(bool on); // the view's background in programming mode
    void setProgress(int maximum, int value);
    // The hex view in the text view's place, or the text view; the focus goes with them.
    void showHexView(bool on);

    QWidget *client;
    QToolBar *tbrToolBar;
    TerminalView *txtTerm;
    HexView *hexView; // in the view's place, when shown
    QWidget *Frame1;  // the connection indicators, at one place at the toolbar's right end
    ClickableLabel *imgConnected = nullptr;
    ClickableLabel *imgNotConnected = nullptr;
    QComboBox *cboPort;
    QComboBox *cboSpeed;
    ClickableLabel *sbrStatus;
    QProgressBar *prgSend;
    QPushButton *cmdCancelSend;
};
