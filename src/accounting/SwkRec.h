#pragma once
// One journal entry (仕訳) of the table SIWAKE as it travels through the system: the tax
// computation works on it and the journal reader and writer read, check and store it.
// An entry has one debit side and one credit side.
//
// The member defaults are the fixed ones of a new entry. The defaults that depend on the running
// process (workstation name, operator, date, rate number in force, write time) are set by the
// journal writer's InitSiwakeRec.

#include "platform/Currency.h"
#include "platform/Date.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kb {

// One side of an entry. Debit parameters are prefixed L_ (columns unprefixed), credit R_.
struct TSwkBalance {
    std::string KGROUP;      // account group (GROUPM1), filled by the writer's check
    std::string KCODE;       // the account's user code, the number the operator sees
    std::string HCODE;       // sub-account code; one blank = none
    std::string BCODE;       // department code; one blank = none
    std::string KNAME;       // names as stored with the entry
    std::string HNAME;
    std::string BNAME;
    std::int32_t TAXCODE = 910; // consumption-tax code; 910 = class not yet decided
    std::int32_t TAXUH = 0;
    std::int32_t TAXDC = 0;
    Currency NUK;            // amount without tax
    Currency ZEI;            // tax
    Currency RIT;            // rate applied in percent; 0 = untaxed side
    std::int32_t SIKIN = 0;  // funds (cash-flow item) code of the account
    std::int32_t RITUNO = 0; // rate number of the side; a new entry takes OLDRATE
};

struct TSWKREC {
    std::string PCNAME;         // workstation that initialised the record; never stored
    std::int32_t REC = 0;       // key of the debit line; 0 = new entry
    std::int32_t SITREC = 0;    // NEWSITREC returned by the insert
    std::int32_t SWKREC = 0;    // entry key shared by the debit and credit line
    std::int32_t SWKNO = 0;     // history key shared by the chain of corrections
    std::int32_t DELFLG = 0;    // 0 live, 1 deleted, 2 replaced by a correction
    std::int32_t TAISHAKU = 1;  // line kind of the row read (1 debit line)
    Date HIZUKE;                // entry date
    std::int32_t MNUM = 0;      // period 1..16 of the date
    std::int32_t KESSAN = 0;    // 1 = settlement entry
    std::int32_t SDAYNUM = 0;   // order within its date
    std::int32_t MDAYNUM = 0;
    std::int32_t DNUM = 0;
    std::int32_t SNUM = 0;      // individual-cost (個別原価) code number; 0 = none
    std::string SCODE;          // facility or branch code
    TSwkBalance L;              // debit side
    TSwkBalance R;              // credit side
    Currency KINGAKU;
    Currency ZEIGAKU;
    std::int32_t ZEIRITUNO = 0;
    std::int32_t AUTCALCU = 0;  // nonzero = compute the tax automatically
    std::int32_t TAXCALCU = 0;  // 0 tax included (内税), 1 tax added (外税), 2 no tax split
    std::int32_t OLDRATE = 0;   // rate number of the entry
    std::int32_t TEKCODE = 0;
    std::string TEKTEXT;
    std::int32_t TORCODE = 0;
    std::string TORTEXT;
    std::int32_t FUSEN1 = 0, FUSEN2 = 0, FUSEN3 = 0, FUSEN4 = 0, FUSEN5 = 0;
    DateTime CTIME;             // audit check time; non-null marks an audited entry
    std::string COMMENT;
    std::string AO_COMMENT;
    std::string LINKKEY;
    std::int32_t LINKKUB = 0;   // link kind (連動種別)
    std::int32_t LINKREC = 0;   // link target key (連動先キー)
    std::int32_t LOCALFLG = 0;
    std::int32_t RESERVE1 = 0, RESERVE2 = 0;
    DateTime RTIME;             // time of the last write
    std::int32_t OPCODE = 0;
    DateTime SHONIN_HIZUKE;     // approval date; non-null marks an approved entry
    std::int32_t SHONIN_OPCODE = 0;
    std::string SHONIN_NAME;
};

// Widths of the journal columns and procedure parameters.
namespace swk_width {
inline constexpr std::size_t SCODE = 6; // SCODE, KGROUP, KCODE, HCODE, BCODE: VARCHAR(6), ASCII
inline constexpr std::size_t CODE = 6;
inline constexpr std::size_t NAME = 14; // KNAME, HNAME, BNAME
inline constexpr std::size_t TEKTEXT = 50;
inline constexpr std::size_t TORTEXT = 20;
inline constexpr std::size_t COMMENT = 50; // COMMENT and AO_COMMENT
inline constexpr std::size_t LINKKEY = 20;
} // namespace swk_width

} // namespace kb
