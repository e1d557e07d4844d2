#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "../convert/Report.h"
#include "../database/Database.h"
#include "../platform/Platform.h"
#include "../runtime/Array.h"
#include "../runtime/ByteArray.h"
#include "../runtime/RuntimeError.h"
#include "../runtime/String.h"
#include "../runtime/Variant.h"

namespace zuvo {

struct JefTable;

// The settings read once from zuvodll.ini in the home directory.
struct Settings {
  std::int32_t iniBufferSize = 800;
  std::int32_t iniReadBufferLength = 1600;
  std::int32_t transactionInterval = 99999999;
  std::int32_t scramblingKey = 0;  // set to the library's default at start-up
};

// Weekday names of one method, filled on its first call.
struct WeekdayNames {
  bool filled = false;
  std::array<String, 7> english;
  std::array<String, 7> japanese;
};

// The library's one class. Its methods are defined in the folder of their subsystem.
class ZuvoCls {
 public:
  ZuvoCls();
  explicit ZuvoCls(std::shared_ptr<Platform> platform);
  ~ZuvoCls();
  ZuvoCls(const ZuvoCls&) = delete;
  ZuvoCls& operator=(const ZuvoCls&) = delete;

  // Each method below says what it returns, writes and raises. Beyond that, a Variant argument
  // converts as the run-time converts it and raises what that raises (13, 94 for Null, 6), and
  // data access errors (DatabaseError) pass through unless the method says otherwise.

  // --- System services: windows and user ---
  // The handle of the window of class cnm and caption cap; 0 when there is none.
  std::int32_t FindWindow(const String& cnm, const String& cap);
  // Sends msg to window hwd and returns the window's answer; 0 without windows.
  std::int32_t SendMessage(std::int32_t hwd, std::int32_t msg, std::int32_t wpara,
                           std::int32_t lpara);
  // Queues msg for window hwd; non-zero when queued, 0 without windows.
  std::int32_t PostMessage(std::int32_t hwd, std::int32_t msg, std::int32_t wpara,
                           std::int32_t lpara);
  // Writes hwd's caption, at most bln - 1 characters, into buf; returns their count.
  std::int32_t GetWindowText(std::int32_t hwd, String& buf, std::int32_t bln);
  // The value at nIndex of window hwd; 0 without windows.
  std::int32_t GetWindowLong(std::int32_t hwd, std::int32_t nIndex);
  // 1: login name and NUL in buf, size = their length; 0 if unknown or short (size = needed).
  std::int32_t GetUserName(String& buf, std::int32_t& size);

  // --- Versions ---
  // SetVers with the library's own history, title and copyright.
  String SetVer(const String& ver, String& verl, String& dlltitle, String& dllcopy,
                String& dllverl);
  // The "ver …" of ver's last history entry, else "** err **"; writes histories and titles.
  String SetVers(const String& ver, String& verl, String& dlltitle, String& dllcopy,
                 String& dllverl, const String& dllpgmv, const String& dllcpyt,
                 const String& dllcpyp, const String& dllcpyc);

  // --- INI files, command line and paths ---
  // The word at position i (trimmed); moves i past its blanks. "" past the end, 5 for i < 1.
  String GetCmdPara(const String& para, std::int16_t& i);
  // dbgini while developing, else ini; "…zuvo.ini" is looked for in the current directory.
  String GetIniName(const Variant& hwnd, const String& ini, const String& dbgini);
  // The trimmed value of ent in section sec of ininame, lower case if lca; "" when missing.
  String GetIniStr(const String& ininame, const String& sec, const String& ent, bool lca);
  // Writes ent = inistr into section sec of ininame, keeping all else; True when written.
  bool WriteIniStr(const String& ininame, const String& sec, const String& ent,
                   const String& inistr);
  // Runs the archiver on command line para; True unless its exit status or messages tell failure.
  bool LHA(const Variant& hwd, const String& para);
  // The folder of path with its last separator; a name without "." is itself a folder.
  String GetPath(const Variant& path);
  // The file name of path: what follows its last separator or drive colon; "" if nothing.
  String GetFilename(const Variant& path);

  // --- Text scrambling ---
  // s scrambled under the settings' key, four hex digits a character; Decode reverses it.
  String Encode(const String& s);
  // The text of Encode(s); a short last group is ignored, a group naming no character raises 5.
  String Decode(const String& s);
  // The connection text s with its uid and pwd values decoded; "" without both. 5 if pwd first.
  String DeDsn(const String& s);

  // --- Shift-JIS text measures, values and rounding ---
  // dt trimmed, full-width letters, digits, signs made half-width; mode 1 lower, 2 upper. 94 Null.
  String Hankaku(const Variant& dt, std::int16_t mode);
  // s read as a number as far as it goes; 0 for Null or no number. Raises nothing.
  double CnvVal(const Variant& s);
  // The text of CnvVal(s); raises nothing.
  String CnvStrVal(const Variant& s);
  // s as text; "" for Null or a value without text. Raises nothing.
  String CnvStr(const Variant& s);
  // The length of s in Shift-JIS bytes. 94 for Null, 6 past 32767 characters or bytes.
  std::int16_t LenByte(const Variant& s);
  // The characters of s in bytes st to st + l - 1: one cut at the start left out, at the end kept.
  String MidByte(const Variant& s, const Variant& st, const Variant& l);
  // num to keta decimals, a Decimal: mode tenths of the last kept digit added, the rest cut down.
  Variant Marume(const Variant& num, const Variant& keta, const Variant& mode);

  // --- Input checks ---
  // True when s is a number that fits ft, not 0 if zr, not negative if ms; writes s formatted.
  bool ChkVals(String& s, const String& ft, bool zr, bool ms);
  // True when s has no quote or comma and fits stype and ft, empty only without nu; writes s.
  bool ChkStrs(String& s, const Variant& ft, std::int16_t han, std::int16_t stype, bool nu);
  // True when each segment of ss fits its part of ft (z1–z4: not 0); writes ss reshaped.
  bool ChkFormats(String& ss, const String& ft, std::int16_t han, bool z1, bool z2, bool z3,
                  bool z4);

  // --- Dates ---
  // The day number of dt ("yyyy.mm.dd"), 0 if unreadable; writes the weekday, a past-end day.
  std::int32_t CalcDate(String& dt, std::int16_t& yb, String& ybnm, String& ybjp);
  // The date ("yyyy.mm.dd") of day number days, "" outside 1–9999.12.31; writes its weekday.
  String CalcDays(const Variant& days, std::int16_t& yb, String& ybnm, String& ybjp);
  // The date days after dt, "" outside the calendar. 94 for a Null dt.
  String CalcDD(const Variant& dt, const Variant& days);
  // dt moved by mms months, its day kept, the year held in 1–9999; "" for a bad year or month.
  String CalcMM(const Variant& dt, const Variant& mms);
  // dt moved by yys years, the rest kept, the year held in 1–9999; "" for a year below 1.
  String CalcYY(const Variant& dt, const Variant& yys);

  // --- System open/closed, login, abnormal end ---
  // True when ininame says the system is open; else starts its logo program with the notice.
  bool ChkZuvo(const String& ininame, const String& title);
  // The staff name when id and pass match in table Sv1, with codes and level written; else "".
  String ChkPass(Connection& RDBcn, const String& Sv1, const String& id, const String& pass,
                 String& jgcd, String& bucd, String& kacd, String& level);
  // True when a [login] entry of ininame, up to lmax, permits the user's codes at level.
  bool ChkPgmUser(const String& ininame, std::int16_t lmax, const String& jgcd, const String& bucd,
                  const String& kacd, const String& level);
  // Starts ininame's logo program with msg as its one argument; raises nothing.
  void DspAbend(const String& ininame, const String& msg);

  // --- Transactions and statements ---
  // Begins a transaction, none for sys (-1) or a "_local" connection: 0, or the error and errs.
  std::int32_t RDBStartTran(Connection& RDBcn, String& errs, bool sys);
  // Commits: 0 with errs emptied, or the error number with its text in errs.
  std::int32_t RDBCommit(Connection& RDBcn, String& errs);
  // Runs sql directly: 0 with errs emptied, or the error number with its text, one line, in errs.
  std::int32_t RDBExec(Connection& RDBcn, const String& sql, String& errs);

  // --- Sequence numbers and masters ---
  // Counter SEQk1 of SEQm plus add, -1 on failure; writes it into sql at swd, the update to SEQs.
  std::int32_t GetSEQ(Connection& RDBcn, const String& SEQm, Query& SEQq1, Resultset& SEQr1,
                      const String& SEQk1, std::int16_t add, String& sql, const String& swd,
                      const String& ft, const String& tncd, const String& todt, const String& totm,
                      String& SEQs);
  // Counts a run of pgmnm in PGMm, in its own transaction; a failed write warns the user.
  void WritePGMm(Connection& RDBcn, const String& PGMm, const String& pgmnm, const String& title,
                 const String& pgmver, const String& tncd);
  // Stores msg in MSGm under a new number and logs it to LOGm, one transaction; warns on failure.
  void WriteMSGm(Connection& RDBcn, const String& MSGm, const String& LOGm, const String& SEQm,
                 Query& SEQq1, Resultset& SEQr1, const String& pgmnm, const String& title,
                 const String& jgcd, const String& tncd, const String& msg, const String& ErrMsg,
                 const String& sql);
  // Logs sql to LOGm as branch ++edbn of number no, drawn anew for branch 1; True when stored.
  bool WriteLOGm(Connection& RDBcn, const String& LOGm, const String& SEQm, Query& SEQq1,
                 Resultset& SEQr1, const String& title, const String& jgcd, const String& tncd,
                 const String& todt, const String& totm, std::int32_t& no, std::int16_t& edbn,
                 const String& trkb, std::int32_t bfno, const String& sql);

  // --- SQL clause tools ---
  // The value assigned to swd in sql ("swd = value,"), unquoted; "" when there is none.
  String GetSQLItem(const String& sql, const String& swd);
  // The piece of an insert at walk position s (0 verb, 1 table, then items); moves s on.
  String GetSQLData(const String& sql, std::int16_t& s);
  // GetSQLData for an update: verb, table, then columns, values and the where clause.
  String GetSQLDataUpdate(const String& sql, std::int16_t& s);
  // Overwrites the value assigned to swd in sql with s, length kept; False when not found.
  bool RepSQLItem(String& sql, const String& swd, const String& s);
  // Replaces the first swd in sql with s; False when absent, True for an empty sql or swd.
  bool RepSQLStr(String& sql, const String& swd, const String& s);
  // s without its blanks.
  String DltSpc(const String& s);
  // Empties saved condition dix's keys in section pgm of prv, blanks its elements; never raises.
  void DltUserSQL(std::int16_t max, std::int16_t qmax, Array<String>& qf, Array<String>& qw,
                  Array<String>& qo, Array<String>& qg, std::int16_t dix, const String& prv,
                  const String& pgm, const String& title);
  // The number of fields on fnm's first line; 0 when unreadable. 6 past 32767 characters.
  std::int16_t GetCntCSV(const String& fnm);
  // Starts the system information tool the registry names; else tells the user it cannot.
  void StartSysInfo();
  // Writes value SubKeyRef of registry key KeyName into KeyVal; False when it cannot be read.
  bool GetKeyValue(std::int32_t KeyRoot, const String& KeyName, const String& SubKeyRef,
                   String& KeyVal);
  // Runs rs again and returns to its current row; False when that row is gone.
  bool RequeryRS(Resultset& rs);

  // --- Table and file conversions ---
  // Each returns the records done, or -1 with the reason in lastConversion(); errors are trapped.

  // Writes sql's rows to CSV file fnm, with a header line unless add appends, and a type file.
  std::int32_t CnvCSVFile(Connection& cn, const String& sql, const String& fnm, bool add);
  // Runs sql, then inserts the records below CSV file fnm's header line into table tbl.
  std::int32_t SetRDB(Connection& cn, const String& sql, const String& fnm, const String& tbl);
  // Writes sql's rows to fnm as fixed-length records of layout fds, with line ends if cr.
  std::int32_t CnvFixSFFile(Connection& cn, const String& sql, const String& fnm, const String& fds,
                            bool cr, bool add);
  // Runs sql, then inserts fnm's records of layout fds, bln bytes each or lines, into tbl.
  std::int32_t SetFixRDB(Connection& cn, const String& sql, const String& fnm, const String& fds,
                         std::int16_t bln, const String& tbl);
  // Writes sql's rows to fnm as JEF records of layout fds.
  std::int32_t CnvJefSFFile(Connection& cn, const String& sql, const String& fnm, const String& fds,
                            bool add);
  // Runs sql, then inserts fnm's JEF records of layout fds into table tbl; bln is not used.
  std::int32_t SetJefRDB(Connection& cn, const String& sql, const String& fnm, const String& fds,
                         std::int16_t bln, const String& tbl);
  // Converts the records of CSV file csv into JEF records of layout fds in fnm.
  std::int32_t CSVtoJEF(const String& csv, const String& fnm, const String& fds, bool add);
  // Converts fnm's JEF records of layout fds into CSV file csv, and a type file; bln unused.
  std::int32_t JEFtoCSV(const String& fnm, const String& csv, const String& fds, std::int16_t bln,
                        bool add);

  // --- JEF characters and packed decimal ---
  // The first call reads the conversion table and raises its errors (53 when it is missing).

  // Writes s in JEF codes into bdt from 0; the last index written. 9 past the end of bdt.
  std::int16_t SjisJef(const String& s, ByteArray& bdt);
  // SjisJef with each run of two-byte codes between shift codes 28 and 29 (hex).
  std::int16_t SjisJefShift(const String& s, ByteArray& bdt);
  // The text of JEF bytes bdt(0 to bmx), one byte a character for md 1, two for md 2, 5 else.
  String JefSjis(const ByteArray& bdt, const Variant& bmx, const Variant& md);
  // The text of JEF bytes bdt(0 to bmx) with shift codes, as SjisJefShift writes them.
  String JefSjisShift(const ByteArray& bdt, const Variant& bmx);
  // Writes n packed, le + 1 digits of which p decimals, into bdt; the last index; n made >= 0.
  std::int16_t NumComp3(Variant& n, ByteArray& bdt, const Variant& le, const Variant& p);
  // The number packed in bdt(0 to bmx), p of its digits decimals, as text. 9 outside bdt.
  String Comp3Num(const ByteArray& bdt, const Variant& bmx, const Variant& p);

  // --- Debug log, SQL macros, user identity ---
  // Appends msg as a line to fnm ("CLEAR_DBG" empties it); raises nothing.
  void WriteDbg(const String& fnm, const Variant& msg);
  // sql with its date macros and @tncd replaced by quoted literals. 13 for a tncd not text.
  String CnvSQL(const Variant& sql, const Variant& tncd);
  // Writes login name, host name and IPv4 address, trimmed, lower case; "" when unknown.
  void GetUserInfo(String& id, String& pc, String& ip);

  // --- Sorting ---
  // Sorts d(l to r) up: numbers before texts, texts by code. 9 outside d, 13 for a byte array.
  void QSort(Array<Variant>& d, const Variant& l, const Variant& r);
  // QSort, with d2's elements moved along with d's.
  void QSort2(Array<Variant>& d, Array<Variant>& d2, const Variant& l, const Variant& r);
  // QSort, with d2's and d3's elements moved along with d's.
  void QSort3(Array<Variant>& d, Array<Variant>& d2, Array<Variant>& d3, const Variant& l,
              const Variant& r);
  // QSort, with d2's, d3's and d4's elements moved along with d's.
  void QSort4(Array<Variant>& d, Array<Variant>& d2, Array<Variant>& d3, Array<Variant>& d4,
              const Variant& l, const Variant& r);
  // QSort, in descending order.
  void QSortD(Array<Variant>& d, const Variant& l, const Variant& r);
  // QSort2, in descending order.
  void QSortD2(Array<Variant>& d, Array<Variant>& d2, const Variant& l, const Variant& r);
  // QSort3, in descending order.
  void QSortD3(Array<Variant>& d, Array<Variant>& d2, Array<Variant>& d3, const Variant& l,
               const Variant& r);
  // QSort4, in descending order.
  void QSortD4(Array<Variant>& d, Array<Variant>& d2, Array<Variant>& d3, Array<Variant>& d4,
               const Variant& l, const Variant& r);

  // --- Conversion count ---
  // The records done by the running or the last table or file conversion.
  std::int32_t GetCnvCount();

  // --- Not part of the dispatch interface ---
  Platform& platform() { return *platform_; }
  // The files of the platform: every file a method opens goes through them.
  FileService& files() { return platform_->files ? *platform_->files : systemFiles(); }
  const Settings& settings() const { return settings_; }
  // What the last table or file conversion found: why it failed, and the values it changed.
  const ConversionReport& lastConversion() const { return report_; }
  ConversionOptions& conversionOptions() { return options_; }
  // Loads the JEF conversion table if it is not loaded yet and tells whether that worked.
  const Status& jefTableStatus();
  // The JEF conversion table once its load has been made (whatever came of it), else null;
  // never loads it.
  const JefTable* loadedJefTable() const { return jefTableLoaded_ ? jefTable_.get() : nullptr; }

 private:
  // Start-up and private primitives.
  void readSettings();
  std::int32_t platformProbe();
  String moduleNameQuery(std::int32_t instance);
  std::int32_t iniReadPrimitive(const String& section, const String& key,
                                const String& defaultValue, String& buffer, std::int32_t sizeLimit,
                                const String& file);
  std::int32_t iniWritePrimitive(const String& section, const String& key, const String& value,
                                 const String& file);

  // The long conversions store their running count, then let pending events run every
  // `interval` records.
  void countConverted(std::int32_t count, std::int32_t interval);
  // Starts the report of a conversion afresh.
  ConversionReport& beginConversion() {
    report_ = ConversionReport();
    return report_;
  }
  // Loads the conversion table of the JEF methods on first use.
  const JefTable& jefTable();

  std::shared_ptr<Platform> platform_;
  Settings settings_;
  std::int32_t conversionCount_ = 0;
  bool platformProbed_ = false;
  std::int32_t platformId_ = 0;
  WeekdayNames calcDateNames_;
  WeekdayNames calcDaysNames_;
  bool jefTableLoaded_ = false;
  std::unique_ptr<JefTable> jefTable_;
  Status jefTableStatus_;
  ConversionReport report_;
  ConversionOptions options_;
};

}  // namespace zuvo
