#include "online/TableList.h"

#include "net/Decimal.h"

namespace pimra::online {

using namespace pimra::net;
namespace {

TableRow ReadRow(const Reply& table) {
    TableRow row;
    row.login2 = FirstCharacters(FieldText(table, "login2"), kListLoginLength);
    row.login1 = FirstCharacters(FieldText(table, "login1"), kListLoginLength);
    row.ind = ParseDecimal(FieldText(table, "ind"));
    row.timelimit = ParseDecimal(FieldText(table, "timelimit"));
    row.bonus = ParseDecimal(FieldText(table, "bonus"));
    return row;
}

}  // namespace

std::vector<TableRow> ParseTableList(const Reply& reply) {
    std::vector<TableRow> rows;
    if (!reply.is_object()) {
        return rows;
    }
    const auto tables = reply.find("tables");
    if (tables == reply.end() || !tables->is_array()) {
        return rows;
    }
    for (const Reply& table : *tables) {
        if (table.is_object()) {
            rows.push_back(ReadRow(table));
        }
    }
    return rows;
}

std::string FirstCharacters(const std::string& utf8, std::size_t count) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const bool startsCharacter = (static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80;
        if (startsCharacter && characters++ == count) {
            return utf8.substr(0, i);
        }
    }
    return utf8;
}

std::string STime(const TableRow& row) {
    const std::string bonus = row.bonus ? std::to_string(*row.bonus) : std::string();
    return std::to_string(row.TimeLimit() / 60) + " мин. + " + bonus + " сек. ";
}

Rgb RowColour(const TableRow& row) {
    if (row.login2.empty()) {
        return {224, 251, 221};
    }
    return {255, 217, 217};
}

}  // namespace pimra::online
