#pragma once
// The agriculture statement reader: TNougyouKessansyoIO reads the blue-return statement for
// agricultural income (data sets of CODETYPE 4) into TNougyouKessansyoRec: revenue by crop and
// livestock, inventories other than farm products, hired labour, family employees, depreciation,
// rearing costs of fruit trees and cattle, land rent, interest, fees, the bad-debt allowance, the
// deduction, notes and the balance sheet. NougyouSyukei completes the record as the paper
// statement is completed; it reads nothing, so it is tested on records filled by hand.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/uAccDateCmp.h"
#include "linkage/z5ComKojinKessansyo.h"

namespace kb {

struct TSyunyuKingakuRec {
    std::string Kubun1, Kubun2;    // kind and variety
    Currency Menseki;              // area
    Currency Syuukakuryo;          // harvest
    Currency KisyuSuryo, KisyuKingaku;
    Currency Hanbaigaku;           // sales
    Currency Kajisyohigaku;        // household and business consumption
    Currency KimatuSuryo, KimatuKingaku;
};

struct TSyunyuKingakuZassyuRec {
    std::string Kubun;
    Currency Kingaku;
};

struct TNousanIgaiTanaorosiRec {
    std::string Kubun;
    Currency KisyuSuryo;
    std::string KisyuTani;
    Currency KisyuKingaku;
    Currency KimatuSuryo;
    std::string KimatuTani;
    Currency KimatuKingaku;
};

struct TYatoininhiRec {
    std::string Simei;             // row 4: the number of all other workers, as text
    std::int32_t Nisuu = 0;        // days
    Currency SikyuGenkin, SikyuGenbutu, SikyuGokei, Gensenzeigaku;
};

struct TKajyuGyubaIkuseiRec {
    std::string Meishou1, Meishou2;
    // the acquisition date as texts: an era letter with the era year ("R06"), the month, the day
    std::string SyutokuHizukeYY, SyutokuHizukeMM, SyutokuHizukeDD;
    Currency ZennenKurikosigaku, IkuseiSyubyouhi, IkuseiHiryouhi, IkuseiSyokei, IkuseiSyunyugaku, IkuseiKasangaku,
        Syutokugaku, YokunenKurikosigaku;
};

struct TJidaiChinsyakuRec {
    std::string Jyusho1, Jyusho2;
    std::string Kosakuryo;         // what is leased, as text
    Currency Menseki;
    Currency Shiharaigaku;
};

struct TNougyouKessansyoRec : TKessansyoHeaderRec {
    TLines<TSonekiKeisansyoRec, 48> Soneki;
    Currency FusaiRisi;            // written as the meat-cattle special-rule amount
    TLines<TSyunyuKingakuRec, 6> Tahata;
    TLines<TSyunyuKingakuRec, 3> Kajyu;
    TLines<TSyunyuKingakuRec, 3> Tokusyu;
    TLines<TSyunyuKingakuRec, 1> NousanKei;
    TLines<TSyunyuKingakuRec, 3> Tikusan;
    TLines<TSyunyuKingakuRec, 1> SyunyuGokei;
    TLines<TSyunyuKingakuZassyuRec, 4> Zassyu;          // rows 1..3, total in row 4
    TLines<TNousanIgaiTanaorosiRec, 5> Misyukaku;
    TLines<TNousanIgaiTanaorosiRec, 5> HanbaiDoubutu;
    TLines<TNousanIgaiTanaorosiRec, 8> Syubyou;
    TLines<TNousanIgaiTanaorosiRec, 3> IgaiSonota;
    TLines<TNousanIgaiTanaorosiRec, 1> IgaiGokei;
    TLines<TYatoininhiRec, 5> Yatoinin;                 // rows 1..4, total in row 5
    TLines<TSenjyusyaKyuyoRec, 5> Senjyusya;            // rows 1..4, total in row 5
    std::int32_t GenkaBessi = 0;
    std::int32_t GenkaTokurei = 0;
    TLines<TGenkaSyokyakuRec, 12> GenkaSyokyaku;        // rows 1..11, row 12 totals
    TLines<TKajyuGyubaIkuseiRec, 3> KajyuGyuba;         // rows 1..2, total in row 3
    TLines<std::string, 4> KeisanHouhou;
    TLines<TJidaiChinsyakuRec, 2> Chinsyaku;
    TLines<TRisiWaribikiRec, 2> Risi;
    TLines<TZeirisiHousyuuRec, 2> Zeirisi;
    std::int32_t GyoushuKubun = 0;
    std::int32_t Hasuu = 0;
    Currency Kuriire1, Kuriire2, Kuriire3, Kuriire4, Kuriire5;
    std::int32_t KoujoKubun = 0;
    Currency Koujo6, Koujo7, Koujo8, Koujo9, Koujo10, Koujo11;
    TLines<std::string, 10> Note;
    TLines<TTaisyakuTaisyouhyoRec, 25> Sisan;
    TLines<TTaisyakuTaisyouhyoRec, 25> Fusai;
};

// The statement line an account line of a profit-and-loss group feeds, with the sign mode its
// amount passes; false for a group the statement does not take or a line outside the group.
bool NougyouSonekiLine(const std::string& group, int subrec, int& line, int& signMode);

// The acquisition year of a rearing-cost row as its text. A text with its era letter stays as it
// is; a bare era year (a number column) gets the letter of the newest era in which the date falls
// on or before the fiscal year end, as "R06". Empty for an empty text or a year not above 0.
std::string NougyouSyutokuYY(std::string_view yy, int mm, int dd, Date kimatu, const TGengoArray& eras);

// The totals of the statement, in the order of the paper statement. genka: the depreciation rows
// the totals row sums over.
void NougyouSyukei(TNougyouKessansyoRec& d, const TGenkaRowsLayout& genka);

class TNougyouKessansyoIO : public TKojinKessansyoIO {
public:
    TNougyouKessansyoIO();
    TNougyouKessansyoIO(fb::Connection& db, fb::Transaction& tr);

    void InitData(TNougyouKessansyoRec& rec);
    // InitData, MakeBalance, SelectNougyou(flag). MakeBalance's exceptions reach the caller.
    int Select(int flag);
    // 1 when the whole read succeeded, else 0 (the record as far as read, no totals).
    int SelectNougyou(int flag);
    void SelectGenkaSyokyaku();
    void Syukei();
    void PlaceBalances();

    TNougyouKessansyoRec Data;

private:
    void ReadSinkoku();
    void ReadSyunyu();
    void ReadIgai();
    void ReadRows();
    void ReadExterks(bool tegaki);
};

} // namespace kb
