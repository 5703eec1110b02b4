// The "Reader Parameters" page: the reader's RF output power, the antennas in use, the read tag
// mode and the frequency plan (one fixed channel, or hopping over a chosen set of the 50
// channels).
//
// The page is its values (ParameterValues) and its form, the view of them. The form transfer,
// UpdateData, copies one to the other; every other operation works on the values and reaches a
// control only through m_form, which has no form while the page has no controls. Set Settings and
// Get Settings start five-request chains whose state lives in the main window; the dispatcher
// continues them by calling the Send... and Read... operations below, stores what it reads in
// m_readBack and ends a Get by calling ShowReadBack.
//
// A right-button press anywhere on the page opens the channel menu when the cursor is strictly
// inside the "Frequency Band" group; its three commands pick channels quickly in hopping mode.
#pragma once

#include "protocol/channelplan.h"
#include "protocol/frame.h"
#include "widgets/cpropertypage.h"

#include <QPoint>
#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>

class IPageHost;
class QMenu;
namespace Ui {
class ParameterPage;
}

// What the page shows, kept while the page has no controls.
struct ParameterValues {
    // Bound one to one to the controls, in the order of the form transfer.
    int freqMode = 1; // 0 fixed frequency, 1 hopping, -1 neither radio
    int power = 0;
    ChannelFlags channels{};       // index n-1: channel n is in the hopping set
    std::array<int, 4> antennas{}; // index k-1: antenna k is in use
    int readMode = 0;              // 0 single tag, 1 multi tag, -1 neither radio
    // The channel list's text, which follows the list as the operator edits it.
    QString fixedChannel;
};

class CParameter : public CPropertyPage {
public:
    explicit CParameter(IPageHost& host);
    ~CParameter() override;

    // Image of the reader's values, filled byte by byte by the Get sequence: 0 RF power (0x65),
    // 1 fixed channel (0x90), 2 .. 8 hopping mask (0x92 .. 0x98), 9 antenna mode (0x89, never
    // shown), 10 antenna enable mask (0x8A), 11 read tag mode (0x87).
    std::array<std::uint8_t, 12> m_readBack{};

    ParameterValues m_values;

    bool UpdateData(bool fromControls) override;
    QSize FormSizeHint() const override;

    // Operator actions.
    void OnGetSettings();
    void OnSetSettings();
    void OnDefault();
    void OnRadioFixed();
    void OnRadioHopping();
    void EnableChannelChecks(bool on);

    // The channel menu and its commands.
    // Opens the menu at globalPos when that point is strictly inside the "Frequency Band" group;
    // returns whether it opened. The menu pops up without blocking and deletes itself on close.
    bool ShowChannelMenu(const QPoint& globalPos);
    // The channel menu while it is open, else nullptr.
    QMenu* ChannelMenu() const;
    void OnSelectSixChannels();
    void OnSelectAllChannels();
    void OnClearAllChannels();

    // Requests of the Set sequence. Each first copies the controls into the members; a refused
    // value shows a message and sends nothing.
    void SendPower();
    void SendAntennas();
    void SendFixedChannel();
    void SendChannelMask();
    void SendReadTagMode();

    // Requests of the Get sequence.
    void ReadPower();
    void ReadFixedChannel();
    void ReadChannelMask();
    void ReadAntennas();
    void ReadReadTagMode();
    // Shows m_readBack on the page.
    void ShowReadBack();

protected:
    void BuildControls(QWidget* page) override;
    void OnInitDialog() override;

private:
    class CRightButtonFilter;
    // A right-button press seen by the filter on the page or one of its controls.
    void OnRightButtonDown(unsigned long timestamp, const QPoint& globalPos);

    // The fixed channel the channel list shows (1 .. 50), 0 when its text names no channel.
    int SelectedFixedChannel() const;
    // Selects entry n-1 of the channel list; a number outside 1 .. 50 leaves no entry selected.
    void SelectFixedChannel(int n);
    void EnableChannelList(bool on);
    // Sets the hopping set to flags when hopping is selected; the menu commands' shared body.
    void SetChannelsIfHopping(const ChannelFlags& flags);
    void Send(const Bytes& frame);
    void Refuse(const QString& text);

    IPageHost& m_host;

    CPageForm<Ui::ParameterPage> m_form;

    QPointer<QMenu> m_channelMenu;
    // The right-button press that last went through the filter, so that one press opens one
    // menu although Qt hands an ignored press on to each parent in turn.
    unsigned long m_lastPressTimestamp = 0;
    QPoint m_lastPressPos;
    bool m_seenPress = false;
};
