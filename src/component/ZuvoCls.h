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

  // --- System services: windows and user ---
  std::int32_t FindWindow(const String& cnm, const String& cap);
  std::int32_t SendMessage(std::int32_t hwd, std::int32_t msg, std::int32_t wpara,
                           std::int32_t lpara);
  std::int32_t PostMessage(std::int32_t hwd, std::int32_t msg, std::int32_t wpara,
                           std::int32_t lpara);
  std::int32_t GetWindowText(std::int32_t hwd, String& buf, std::int32_t bln);
  std::int32_t GetWindowLong(std::int32_t hwd, std::int32_t nIndex);
  std::int32_t GetUserName(String& buf, std::int32_t& size);

  // --- Versions ---
  String SetVer(const String& ver, String& verl, String& dlltitle, String& dllcopy,
                String& dllverl);
  String SetVers(const String& ver, String& verl, String& dlltitle, String& dllcopy,
                 String& dllverl, const String& dllpgmv, const String& dllcpyt,
                 const String& dllcpyp, const String& dllcpyc);

  // --- INI files, command line and paths ---
  String GetCmdPara(const String& para, std::int16_t& i);
  String GetIniName(const Variant& hwnd, const String& ini, const String& dbgini);
  String GetIniStr(const String& ininame, const String& sec, const String& ent, bool lca);
  bool WriteIniStr(const String& ininame, const String& sec, const String& ent,
                   const String& inistr);
  bool LHA(const Variant& hwd, const String& para);
  String GetPath(const Variant& path);
  String GetFilename(const Variant& path);

  // --- Text scrambling ---
  String Encode(const String& s);
  String Decode(const String& s);
  String DeDsn(const String& s);

  // --- Shift-JIS text measures, values and rounding ---
  String Hankaku(const Variant& dt, std::int16_t mode);
  double CnvVal(const Variant& s);
  String CnvStrVal(const Variant& s);
  String CnvStr(const Variant& s);
  std::int16_t LenByte(const Variant& s);
  String MidByte(const Variant& s, const Variant& st, const Variant& l);
  Variant Marume(const Variant& num, const Variant& keta, const Variant& mode);

  // --- Input checks ---
  bool ChkVals(String& s, const String& ft, bool zr, bool ms);
  bool ChkStrs(String& s, const Variant& ft, std::int16_t han, std::int16_t stype, bool nu);
  bool ChkFormats(String& ss, const String& ft, std::int16_t han, bool z1, bool z2, bool z3,
                  bool z4);

  // --- Dates ---
  std::int32_t CalcDate(String& dt, std::int16_t& yb, String& ybnm, String& ybjp);
  String CalcDays(const Variant& days, std::int16_t& yb, String& ybnm, String& ybjp);
  String CalcDD(const Variant& dt, const Variant& days);
  String CalcMM(const Variant& dt, const Variant& mms);
  String CalcYY(const Variant& dt, const Variant& yys);

  // --- System open/closed, login, abnormal end ---
  bool ChkZuvo(const String& ininame, const String& title);
  String ChkPass(Connection& RDBcn, const String& Sv1, const String& id, const String& pass,
                 String& jgcd, String& bucd, String& kacd, String& level);
  bool ChkPgmUser(const String& ininame, std::int16_t lmax, const String& jgcd, const String& bucd,
                  const String& kacd, const String& level);
  void DspAbend(const String& ininame, const String& msg);

  // --- Transactions and statements ---
  std::int32_t RDBStartTran(Connection& RDBcn, String& errs, bool sys);
  std::int32_t RDBCommit(Connection& RDBcn, String& errs);
  std::int32_t RDBExec(Connection& RDBcn, const String& sql, String& errs);

  // --- Sequence numbers and masters ---
  std::int32_t GetSEQ(Connection& RDBcn, const String& SEQm, Query& SEQq1, Resultset& SEQr1,
                      const String& SEQk1, std::int16_t add, String& sql, const String& swd,
                      const String& ft, const String& tncd, const String& todt, const String& totm,
                      String& SEQs);
  void WritePGMm(Connection& RDBcn, const String& PGMm, const String& pgmnm, const String& title,
                 const String& pgmver, const String& tncd);
  void WriteMSGm(Connection& RDBcn, const String& MSGm, const String& LOGm, const String& SEQm,
                 Query& SEQq1, Resultset& SEQr1, const String& pgmnm, const String& title,
                 const String& jgcd, const String& tncd, const String& msg, const String& ErrMsg,
                 const String& sql);
  bool WriteLOGm(Connection& RDBcn, const String& LOGm, const String& SEQm, Query& SEQq1,
                 Resultset& SEQr1, const String& title, const String& jgcd, const String& tncd,
                 const String& todt, const String& totm, std::int32_t& no, std::int16_t& edbn,
                 const String& trkb, std::int32_t bfno, const String& sql);

  // --- SQL clause tools ---
  String GetSQLItem(const String& sql, const String& swd);
  String GetSQLData(const String& sql, std::int16_t& s);
  String GetSQLDataUpdate(const String& sql, std::int16_t& s);
  bool RepSQLItem(String& sql, const String& swd, const String& s);
  bool RepSQLStr(String& sql, const String& swd, const String& s);
  String DltSpc(const String& s);
  void DltUserSQL(std::int16_t max, std::int16_t qmax, Array<String>& qf, Array<String>& qw,
                  Array<String>& qo, Array<String>& qg, std::int16_t dix, const String& prv,
                  const String& pgm, const String& title);
  std::int16_t GetCntCSV(const String& fnm);
  void StartSysInfo();
  bool GetKeyValue(std::int32_t KeyRoot, const String& KeyName, const String& SubKeyRef,
                   String& KeyVal);
  bool RequeryRS(Resultset& rs);

  // --- Table and file conversions ---
  std::int32_t CnvCSVFile(Connection& cn, const String& sql, const String& fnm, bool add);
  std::int32_t SetRDB(Connection& cn, const String& sql, const String& fnm, const String& tbl);
  std::int32_t CnvFixSFFile(Connection& cn, const String& sql, const String& fnm, const String& fds,
                            bool cr, bool add);
  std::int32_t SetFixRDB(Connection& cn, const String& sql, const String& fnm, const String& fds,
                         std::int16_t bln, const String& tbl);
  std::int32_t CnvJefSFFile(Connection& cn, const String& sql, const String& fnm, const String& fds,
                            bool add);
  std::int32_t SetJefRDB(Connection& cn, const String& sql, const String& fnm, const String& fds,
                         std::int16_t bln, const String& tbl);
  std::int32_t CSVtoJEF(const String& csv, const String& fnm, const String& fds, bool add);
  std::int32_t JEFtoCSV(const String& fnm, const String& csv, const String& fds, std::int16_t bln,
                        bool add);

  // --- JEF characters and packed decimal ---
  std::int16_t SjisJef(const String& s, ByteArray& bdt);
  std::int16_t SjisJefShift(const String& s, ByteArray& bdt);
  String JefSjis(const ByteArray& bdt, const Variant& bmx, const Variant& md);
  String JefSjisShift(const ByteArray& bdt, const Variant& bmx);
  std::int16_t NumComp3(Variant& n, ByteArray& bdt, const Variant& le, const Variant& p);
  String Comp3Num(const ByteArray& bdt, const Variant& bmx, const Variant& p);

  // --- Debug log, SQL macros, user identity ---
  void WriteDbg(const String& fnm, const Variant& msg);
  String CnvSQL(const Variant& sql, const Variant& tncd);
  void GetUserInfo(String& id, String& pc, String& ip);

  // --- Sorting ---
  void QSort(Array<Variant>& d, const Variant& l, const Variant& r);
  void QSort2(Array<Variant>& d, Array<Variant>& d2, const Variant& l, const Variant& r);
  void QSort3(Array<Variant>& d, Array<Variant>& d2, Array<Variant>& d3, const Variant& l,
              const Variant& r);
  void QSort4(Array<Variant>& d, Array<Variant>& d2, Array<Variant>& d3, Array<Variant>& d4,
              const Variant& l, const Variant& r);
  void QSortD(Array<Variant>& d, const Variant& l, const Variant& r);
  void QSortD2(Array<Variant>& d, Array<Variant>& d2, const Variant& l, const Variant& r);
  void QSortD3(Array<Variant>& d, Array<Variant>& d2, Array<Variant>& d3, const Variant& l,
               const Variant& r);
  void QSortD4(Array<Variant>& d, Array<Variant>& d2, Array<Variant>& d3, Array<Variant>& d4,
               const Variant& l, const Variant& r);

  // --- Conversion count ---
  std::int32_t GetCnvCount();

  // --- Not part of the dispatch interface ---
  Platform& platform() { return *platform_; }
  const Settings& settings() const { return settings_; }
  // What the last table or file conversion found: why it failed, and the values it changed.
  const ConversionReport& lastConversion() const { return report_; }
  ConversionOptions& conversionOptions() { return options_; }
  // Loads the JEF conversion table if it is not loaded yet and tells whether that worked.
  const Status& jefTableStatus();

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
