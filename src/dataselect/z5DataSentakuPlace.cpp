// The data-place controls of the data selection dialog (server modes): the combo of named places,
// its change and exit, and the place dialog behind "設定".

#include "dataselect/z5DataSentaku.h"

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "dataselect/registry/DataPlace.h"
#include "dataselect/z5DataPlace.h"
#include "ui/z5MessageDlg2.h"

#include <QComboBox>
#include <QPushButton>
#include <QTableView>

namespace kb {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
} // namespace

void TDataSentakuBox::PreparePlaces()
{
    if (!PlaceIO) PlaceIO = std::make_unique<TDataPlaceIO>(*DM);
    PlaceIO->ConnectMode = ConnectMode;
    PlaceIO->GetPlaceNames();  // loads the named places, one combo item each
    const QSignalBlocker block(cmbDataMan);
    cmbDataMan->clear();
    for (const TDataPlaceRec& p : PlaceIO->Places) cmbDataMan->addItem(Q(p.NAME));
    int at = PlaceIO->IndexOfPlaceRec(PlaceRec);
    if (at < 0) {
        // The place shown last is no longer named: back to the standard place.
        PlaceRec = 0;
        at = PlaceIO->IndexOfPlaceRec(0);
    }
    cmbDataMan->setCurrentIndex(at);
    if (at >= 0) {
        PlaceRec = PlaceIO->GetPlaceRec(at);
        PlacePath = PlaceIO->GetPlacePath(at);
    } else {
        PlaceRec = 0;
        PlacePath = SystemDef.SysDir;
    }
}

void TDataSentakuBox::cmbDataManChange()
{
    btnDataMan->setFocusPolicy(Qt::TabFocus);
    btnSearch->setEnabled(false);
    btnSearchCancel->setEnabled(false);
    PerfectGrid1->setEnabled(false);
    UpdateFunctionKeys();
}

void TDataSentakuBox::cmbDataManExit()
{
    if (!PlaceIO) return;
    const int item = cmbDataMan->currentIndex();
    PlaceRec = PlaceIO->GetPlaceRec(item);
    PlacePath = PlaceIO->GetPlacePath(item);
    btnDataMan->setFocusPolicy(Qt::NoFocus);
    btnSearch->setEnabled(true);
    btnSearchCancel->setEnabled(ActiveJyoken.JYOKENUSE == 1);
    PerfectGrid1->setEnabled(true);
    if (LoadDataList() > 0) {
        FillGrid(-1);
        PerfectGrid1->setFocus();
    }
    UpdateFunctionKeys();
}

void TDataSentakuBox::btnDataManClick()
{
    if (!PlaceIO) return;
    if (!PlaceBox) PlaceBox = new TDataPlaceBox(*DM, this);
    PlaceBox->IO.ConnectMode = ConnectMode;
    PlaceRec = PlaceIO->GetPlaceRec(cmbDataMan->currentIndex());
    PlaceBox->InitDisplay(1);
    if (PlaceBox->exec() == mrOk) {
        const int before = PlaceRec;
        PreparePlaces();
        if (PlaceRec != before) {
            // The place shown was deleted: the standard place and its list.
            PlacePath = PlaceIO->GetPlacePathByRec(0);
            cmbDataManExit();
        }
    }
    UpdateFunctionKeys();
}

} // namespace kb
