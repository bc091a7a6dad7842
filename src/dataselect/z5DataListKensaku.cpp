#include "dataselect/z5DataListKensaku.h"

#include "accounting/SeihinVersionList.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "fb/Database.h"
#include "fb/FbError.h"
#include "fb/Statement.h"
#include "ui/z5MessageDlg2.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <cstdio>

namespace kb {

namespace {
TSeihinVersionSource& VersionSource()
{
    static TSeihinVersionSource source;
    return source;
}
QString Q(const std::string& s) { return QString::fromStdString(s); }
} // namespace

void SetSeihinVersionSource(TSeihinVersionSource source) { VersionSource() = std::move(source); }

TDataListKensakuBox::TDataListKensakuBox(QWidget* parent) : TBSDI(parent, true)
{
    setObjectName("DataListKensakuBox");
    setWindowTitle("検索条件の設定");
    resize(524, 360);
    auto* group = new QGroupBox(this);
    group->setGeometry(12, 8, 500, 220);
    const char* labels[] = {"コード:", "データ区分:", "データリスト名:", "担当者:", "データバージョン:"};
    for (int i = 0; i < 5; ++i) {
        auto* l = new QLabel(labels[i], group);
        l->setGeometry(16, 20 + i * 38, 120, 24);
    }
    txtCode = new QLineEdit(group);
    txtCode->setObjectName("txtCode");
    txtCode->setMaxLength(8);
    txtCode->setGeometry(140, 20, 120, 24);
    cmbDataKbn = new QComboBox(group);
    cmbDataKbn->setObjectName("cmbDataKbn");
    cmbDataKbn->setGeometry(140, 58, 200, 24);
    txtListName = new QLineEdit(group);
    txtListName->setObjectName("txtListName");
    txtListName->setMaxLength(40);
    txtListName->setGeometry(140, 96, 300, 24);
    cmbTanto = new QComboBox(group);
    cmbTanto->setObjectName("cmbTanto");
    cmbTanto->setGeometry(140, 134, 200, 24);
    cmbDataVer = new QComboBox(group);
    cmbDataVer->setObjectName("cmbDataVer");
    cmbDataVer->setGeometry(140, 172, 200, 24);
    cboxYukou = new QCheckBox("この検索条件を毎回有効にする", this);
    cboxYukou->setObjectName("cboxYukou");
    cboxYukou->setGeometry(24, 236, 400, 24);
    auto* hint = new QPlainTextEdit(this);
    hint->setObjectName("HintArea");
    hint->setReadOnly(true);
    hint->setGeometry(8, 270, 300, 80);
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setGeometry(320, 300, 90, 28);
    btnCancel = new QPushButton("キャンセル", this);
    btnCancel->setObjectName("btnCancel");
    btnCancel->setGeometry(420, 300, 90, 28);
    setTabOrder(txtCode, cmbDataKbn);
    setTabOrder(cmbDataKbn, txtListName);
    setTabOrder(txtListName, cmbTanto);
    setTabOrder(cmbTanto, cmbDataVer);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    HintMemo = hint;
    F12Button = btnOK;

    SetHint(cmbDataKbn, "選択した区分に該当するデータを抽出して表示します。|選択した区分に該当するデータを抽出して表示します。");
    SetHint(txtCode, "入力したコードを前方一致（先頭一致）で抽出して表示します。|入力したコード前方一致（先頭一致）で抽出して表示します。");
    SetHint(txtListName, "入力した文字を含むデータを抽出して表示します。|入力した文字を含むデータを抽出して表示します。");
    SetHint(cmbTanto, "選択したｵﾍﾟﾚｰﾀが担当するデータを抽出して表示します。|選択したｵﾍﾟﾚｰﾀが担当するデータを抽出して表示します。");
    SetHint(cmbDataVer, "選択したﾊﾞｰｼﾞｮﾝのデータを抽出して表示します。| 選択したﾊﾞｰｼﾞｮﾝのデータを抽出して表示します。");
    SetHint(cboxYukou, "ここで設定した条件に該当するデータだけを常時表示させる場合にﾁｪｯｸします。| ここで設定した条件に該当するデータだけを常時表示させる場合にﾁｪｯｸします。");
    SetHint(btnOK, "設定した条件に該当するデータを表示します。| 設定した条件に該当するデータを表示します。");
    SetHint(btnCancel, "データの検索を中止します。| データの検索を中止します。");

    for (const auto& k : KindChoices()) cmbDataKbn->addItem(Q(k.Text));
    if (DM) IBTransactionDEF = std::make_unique<fb::Transaction>(&DM->IBDatabaseDEF, fb::Transaction::ReadCommitted());
    try {
        ReadOperators();
        cmbTanto->addItem(Q(NoSelectionText));
        char buf[64];
        for (const auto& [code, name] : operators_) {
            std::snprintf(buf, sizeof buf, "%d:", code);
            cmbTanto->addItem(Q(buf + name));
        }
        cmbDataVer->addItem(Q(NoSelectionText));
        if (VersionSource()) {
            versions_ = VersionSource()();
        } else {
            // The product editions of this installation, newest first; without them the box
            // offers only the empty entry.
            try {
                TSeihinVersionList list;
                list.ReadVersionList(1);
                for (const auto& e : list.Entries)
                    if (e.Major != 0 || e.Minor != 0) versions_.push_back({e.TypeName, e.Major, e.Minor});
            } catch (const std::exception&) {
                versions_.clear();
            }
        }
        for (const auto& v : versions_) cmbDataVer->addItem(Q(v.Name));
        Initialized = true;
    } catch (const std::exception&) {
        Initialized = false;
    }
}

TDataListKensakuBox::~TDataListKensakuBox() = default;

void TDataListKensakuBox::ReadOperators()
{
    operators_.clear();
    if (!DM || !DM->IBDatabaseDEF.Connected() || !IBTransactionDEF) return;
    fb::TransactionGuard g(*IBTransactionDEF);
    fb::Statement q(DM->IBDatabaseDEF, IBTransactionDEF.get());
    q.SetSQL("SELECT OPCODE,OPNAME FROM OPERATOR WHERE (GROUPID=:GROUPID) AND (OPCODE>=10) ORDER BY OPCODE");
    q.ParamByName("GROUPID").SetInteger(SystemDef.GroupId);
    for (q.ExecQuery(); !q.Eof(); q.Next())
        operators_.emplace_back(q.FieldByName("OPCODE").AsInteger(), q.FieldByName("OPNAME").AsString());
    q.Close();
    g.Commit();
}

void TDataListKensakuBox::SetListType(int) { LoadControls(); }

void TDataListKensakuBox::LoadControls()
{
    cmbDataKbn->setCurrentIndex(GetKindIndex(Jyoken.DATATYPE, Jyoken.CODETYPE));
    txtCode->setText(Q(Jyoken.DATACODE));
    txtListName->setText(Q(Jyoken.DATANAME));
    int tanto = 0;
    for (std::size_t i = 0; i < operators_.size(); ++i)
        if (operators_[i].first == Jyoken.TANTO && Jyoken.TANTO != 0) tanto = static_cast<int>(i) + 1;
    cmbTanto->setCurrentIndex(tanto);
    int ver = 0;
    for (std::size_t i = 0; i < versions_.size(); ++i)
        if (versions_[i].Name == Jyoken.SEIHINNAME && !Jyoken.SEIHINNAME.empty()) ver = static_cast<int>(i) + 1;
    cmbDataVer->setCurrentIndex(ver);
    cboxYukou->setChecked(Jyoken.JYOKENUSE != 0);
}

void TDataListKensakuBox::btnOKClick()
{
    const int kind = std::max(0, cmbDataKbn->currentIndex());
    Jyoken.DATATYPE = KindChoices()[static_cast<std::size_t>(kind)].DataType;
    Jyoken.CODETYPE = KindChoices()[static_cast<std::size_t>(kind)].CodeType;
    Jyoken.DATACODE = txtCode->text().toStdString();
    Jyoken.DATANAME = txtListName->text().toStdString();
    const int t = cmbTanto->currentIndex();
    Jyoken.TANTO = t >= 1 && t <= static_cast<int>(operators_.size()) ? operators_[static_cast<std::size_t>(t - 1)].first : 0;
    const int v = cmbDataVer->currentIndex();
    if (v >= 1 && v <= static_cast<int>(versions_.size())) {
        const auto& e = versions_[static_cast<std::size_t>(v - 1)];
        char buf[32];
        std::snprintf(buf, sizeof buf, "%d.%d", e.Major, e.Minor);
        Jyoken.DATAVER = (e.Major == 0 && e.Minor == 0) ? std::string() : std::string(buf);
        Jyoken.SEIHINNAME = e.Name;
    } else {
        Jyoken.DATAVER.clear();
        Jyoken.SEIHINNAME.clear();
    }
    Jyoken.YOBISTR1.clear();
    Jyoken.VERKIND = 0;
    Jyoken.JYOKENUSE = cboxYukou->isChecked() ? 1 : 0;
    done(mrOk);
}

void TDataListKensakuBox::InitKensakuRec(TDataKensakuRec& rec) const
{
    rec = TDataKensakuRec{};
    rec.OPCODE = SystemDef.OpCode;
    rec.LISTTYPE = ListType;
}

bool TDataListKensakuBox::SelectRecord(TDataKensakuRec& rec)
{
    InitKensakuRec(rec);
    if (!IBTransactionDEF) return false;
    return TDataKensakuIO(*IBTransactionDEF).SelectRecord(rec);
}

bool TDataListKensakuBox::UpdateRecord(const TDataKensakuRec& rec)
{
    return IBTransactionDEF && TDataKensakuIO(*IBTransactionDEF).UpdateRecord(rec);
}

bool TDataListKensakuBox::UpdateRecordSortField(const TDataKensakuRec& rec)
{
    return IBTransactionDEF && TDataKensakuIO(*IBTransactionDEF).UpdateRecordSortField(rec);
}

} // namespace kb
