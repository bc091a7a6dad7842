#include "accounting/DataListTable.h"

#include "fb/Statement.h"
#include "platform/Text.h"

namespace kb {

std::string DataListTableOf(fb::Connection& sys, fb::Transaction& tr, const std::string& folder)
{
    const std::string upper = AsciiUpper(folder);
    for (const char* table : {"DATALIST", "DATALIST_EX"}) {
        fb::Statement q(sys, &tr);
        // The table name is one of two fixed names, never data.
        q.SetSQL(std::string("SELECT FIRST 1 1 AS HIT FROM ") + table + "\nWHERE UPPER(PASNAME)=:PASNAME");
        q.ParamByName("PASNAME").SetString(upper);
        q.ExecQuery();
        if (!q.Eof()) return table;
    }
    return "DATALIST";
}

} // namespace kb
