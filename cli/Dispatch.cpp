#include "Dispatch.h"

#include <algorithm>

#include "Bind.h"

namespace zuvo::cli {

namespace {

template <auto Fn>
constexpr Method entry(std::string_view name, std::int32_t dispatchId) {
  return Method{name, dispatchId, parametersOf<Fn>, returnsValue<Fn>, &callMember<Fn, ZuvoCls>};
}

// Slot order matters to early-bound clients; the two identifiers left out belong to private
// operations.
const Method table[] = {
    entry<&ZuvoCls::FindWindow>("FindWindow", 0x6003005B),
    entry<&ZuvoCls::SendMessage>("SendMessage", 0x6003005C),
    entry<&ZuvoCls::PostMessage>("PostMessage", 0x6003005D),
    entry<&ZuvoCls::GetWindowText>("GetWindowText", 0x6003005E),
    entry<&ZuvoCls::GetWindowLong>("GetWindowLong", 0x6003005F),
    entry<&ZuvoCls::GetUserName>("GetUserName", 0x60030060),
    entry<&ZuvoCls::SetVer>("SetVer", 0x60030062),
    entry<&ZuvoCls::SetVers>("SetVers", 0x60030063),
    entry<&ZuvoCls::GetCmdPara>("GetCmdPara", 0x60030064),
    entry<&ZuvoCls::GetIniName>("GetIniName", 0x60030065),
    entry<&ZuvoCls::GetIniStr>("GetIniStr", 0x60030066),
    entry<&ZuvoCls::WriteIniStr>("WriteIniStr", 0x60030067),
    entry<&ZuvoCls::LHA>("LHA", 0x60030068),
    entry<&ZuvoCls::GetPath>("GetPath", 0x60030069),
    entry<&ZuvoCls::GetFilename>("GetFilename", 0x6003006A),
    entry<&ZuvoCls::Encode>("Encode", 0x6003006B),
    entry<&ZuvoCls::Decode>("Decode", 0x6003006C),
    entry<&ZuvoCls::DeDsn>("DeDsn", 0x6003006D),
    entry<&ZuvoCls::Hankaku>("Hankaku", 0x6003006E),
    entry<&ZuvoCls::CnvVal>("CnvVal", 0x6003006F),
    entry<&ZuvoCls::CnvStrVal>("CnvStrVal", 0x60030070),
    entry<&ZuvoCls::CnvStr>("CnvStr", 0x60030071),
    entry<&ZuvoCls::LenByte>("LenByte", 0x60030072),
    entry<&ZuvoCls::MidByte>("MidByte", 0x60030073),
    entry<&ZuvoCls::Marume>("Marume", 0x60030074),
    entry<&ZuvoCls::ChkVals>("ChkVals", 0x60030075),
    entry<&ZuvoCls::ChkStrs>("ChkStrs", 0x60030076),
    entry<&ZuvoCls::ChkFormats>("ChkFormats", 0x60030077),
    entry<&ZuvoCls::CalcDate>("CalcDate", 0x60030078),
    entry<&ZuvoCls::CalcDays>("CalcDays", 0x60030079),
    entry<&ZuvoCls::CalcDD>("CalcDD", 0x6003007A),
    entry<&ZuvoCls::CalcMM>("CalcMM", 0x6003007B),
    entry<&ZuvoCls::CalcYY>("CalcYY", 0x6003007C),
    entry<&ZuvoCls::ChkZuvo>("ChkZuvo", 0x6003007D),
    entry<&ZuvoCls::ChkPass>("ChkPass", 0x6003007E),
    entry<&ZuvoCls::ChkPgmUser>("ChkPgmUser", 0x6003007F),
    entry<&ZuvoCls::DspAbend>("DspAbend", 0x60030080),
    entry<&ZuvoCls::RDBStartTran>("RDBStartTran", 0x60030081),
    entry<&ZuvoCls::RDBCommit>("RDBCommit", 0x60030082),
    entry<&ZuvoCls::RDBExec>("RDBExec", 0x60030083),
    entry<&ZuvoCls::GetSEQ>("GetSEQ", 0x60030084),
    entry<&ZuvoCls::WritePGMm>("WritePGMm", 0x60030085),
    entry<&ZuvoCls::WriteMSGm>("WriteMSGm", 0x60030086),
    entry<&ZuvoCls::WriteLOGm>("WriteLOGm", 0x60030087),
    entry<&ZuvoCls::GetSQLItem>("GetSQLItem", 0x60030088),
    entry<&ZuvoCls::GetSQLData>("GetSQLData", 0x60030089),
    entry<&ZuvoCls::GetSQLDataUpdate>("GetSQLDataUpdate", 0x6003008A),
    entry<&ZuvoCls::RepSQLItem>("RepSQLItem", 0x6003008B),
    entry<&ZuvoCls::RepSQLStr>("RepSQLStr", 0x6003008C),
    entry<&ZuvoCls::DltSpc>("DltSpc", 0x6003008D),
    entry<&ZuvoCls::DltUserSQL>("DltUserSQL", 0x6003008E),
    entry<&ZuvoCls::GetCntCSV>("GetCntCSV", 0x6003008F),
    entry<&ZuvoCls::StartSysInfo>("StartSysInfo", 0x60030090),
    entry<&ZuvoCls::GetKeyValue>("GetKeyValue", 0x60030091),
    entry<&ZuvoCls::RequeryRS>("RequeryRS", 0x60030092),
    entry<&ZuvoCls::CnvCSVFile>("CnvCSVFile", 0x60030093),
    entry<&ZuvoCls::SetRDB>("SetRDB", 0x60030094),
    entry<&ZuvoCls::CnvFixSFFile>("CnvFixSFFile", 0x60030095),
    entry<&ZuvoCls::SetFixRDB>("SetFixRDB", 0x60030096),
    entry<&ZuvoCls::CnvJefSFFile>("CnvJefSFFile", 0x60030098),
    entry<&ZuvoCls::SetJefRDB>("SetJefRDB", 0x60030099),
    entry<&ZuvoCls::CSVtoJEF>("CSVtoJEF", 0x6003009A),
    entry<&ZuvoCls::JEFtoCSV>("JEFtoCSV", 0x6003009B),
    entry<&ZuvoCls::SjisJef>("SjisJef", 0x6003009C),
    entry<&ZuvoCls::SjisJefShift>("SjisJefShift", 0x6003009D),
    entry<&ZuvoCls::JefSjis>("JefSjis", 0x6003009E),
    entry<&ZuvoCls::JefSjisShift>("JefSjisShift", 0x6003009F),
    entry<&ZuvoCls::NumComp3>("NumComp3", 0x600300A0),
    entry<&ZuvoCls::Comp3Num>("Comp3Num", 0x600300A1),
    entry<&ZuvoCls::WriteDbg>("WriteDbg", 0x600300A2),
    entry<&ZuvoCls::CnvSQL>("CnvSQL", 0x600300A3),
    entry<&ZuvoCls::GetUserInfo>("GetUserInfo", 0x600300A4),
    entry<&ZuvoCls::QSort>("QSort", 0x600300A5),
    entry<&ZuvoCls::QSort2>("QSort2", 0x600300A6),
    entry<&ZuvoCls::QSort3>("QSort3", 0x600300A7),
    entry<&ZuvoCls::QSort4>("QSort4", 0x600300A8),
    entry<&ZuvoCls::QSortD>("QSortD", 0x600300A9),
    entry<&ZuvoCls::QSortD2>("QSortD2", 0x600300AA),
    entry<&ZuvoCls::QSortD3>("QSortD3", 0x600300AB),
    entry<&ZuvoCls::QSortD4>("QSortD4", 0x600300AC),
    entry<&ZuvoCls::GetCnvCount>("GetCnvCount", 0x600300AD),
};

bool sameName(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

}  // namespace

std::span<const Method> methods() {
  return table;
}

const Method* findMethod(std::string_view name) {
  auto found = std::ranges::find_if(table, [&](const Method& m) { return sameName(m.name, name); });
  return found == std::end(table) ? nullptr : found;
}

}  // namespace zuvo::cli
