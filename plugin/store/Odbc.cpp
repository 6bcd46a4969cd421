// The ODBC connector: the driver manager's handles behind SqlConnection.
#include <atomic>
#include <mutex>
#include <utility>

#include "orvanel/store/Sql.h"

#if defined(_WIN32)
#include <windows.h>
// The store speaks to the driver manager in the narrow calls, as on Linux: its
// statements and connection strings are ASCII or UTF-8.
#undef UNICODE
#undef _UNICODE
#endif
#include <sql.h>
#include <sqlext.h>

namespace {

bool Succeeded(SQLRETURN result) { return result == SQL_SUCCESS || result == SQL_SUCCESS_WITH_INFO; }

// The first diagnostic of `handle`, as the driver words it.
[[noreturn]] void ThrowDiagnostic(SQLSMALLINT type, SQLHANDLE handle, const char* doing) {
  SQLCHAR state[6] = {};
  SQLCHAR text[512] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  std::string message = doing;
  std::string code = "HY000";
  if (handle != SQL_NULL_HANDLE &&
      Succeeded(SQLGetDiagRec(type, handle, 1, state, &native, text, sizeof text, &length))) {
    code = reinterpret_cast<const char*>(state);
    message += ": ";
    message += reinterpret_cast<const char*>(text);
  }
  throw SqlError(code, message);
}

class OdbcConnection final : public SqlConnection {
 public:
  OdbcConnection(const std::string& connection, SqlTimeouts timeouts) : timeouts_(timeouts) {
    try {
      Open(connection);
    } catch (...) {
      Close();
      throw;
    }
  }
  OdbcConnection(const OdbcConnection&) = delete;
  OdbcConnection& operator=(const OdbcConnection&) = delete;
  ~OdbcConnection() override { Close(); }

  void Open(const std::string& connection) {
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment_)))
      throw SqlError("HY001", "the ODBC driver manager gave no environment");
    SQLSetEnvAttr(environment_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_DBC, environment_, &connection_)))
      ThrowDiagnostic(SQL_HANDLE_ENV, environment_, "no connection handle");
    SQLSetConnectAttr(connection_, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeouts_.loginSeconds)), 0);
    SQLSetConnectAttr(connection_, SQL_ATTR_CONNECTION_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeouts_.querySeconds)), 0);
    std::string text = connection;
    const SQLRETURN connected =
        SQLDriverConnect(connection_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                         static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!Succeeded(connected)) ThrowDiagnostic(SQL_HANDLE_DBC, connection_, "cannot connect");
    open_ = true;
    if (!Succeeded(SQLSetConnectAttr(connection_, SQL_ATTR_AUTOCOMMIT,
                                     reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_OFF)), 0)))
      ThrowDiagnostic(SQL_HANDLE_DBC, connection_, "cannot begin transactions");
  }

  void Close() noexcept {
    if (open_) {
      SQLEndTran(SQL_HANDLE_DBC, connection_, SQL_ROLLBACK);
      SQLDisconnect(connection_);
    }
    if (connection_ != SQL_NULL_HANDLE) SQLFreeHandle(SQL_HANDLE_DBC, connection_);
    if (environment_ != SQL_NULL_HANDLE) SQLFreeHandle(SQL_HANDLE_ENV, environment_);
    open_ = false;
    connection_ = SQL_NULL_HANDLE;
    environment_ = SQL_NULL_HANDLE;
  }

  std::string Engine() override {
    SQLCHAR name[128] = {};
    SQLSMALLINT length = 0;
    if (!Succeeded(SQLGetInfo(connection_, SQL_DBMS_NAME, name, sizeof name, &length)))
      ThrowDiagnostic(SQL_HANDLE_DBC, connection_, "no engine name");
    return reinterpret_cast<const char*>(name);
  }

  std::vector<SqlRow> Run(const std::string& statement, const std::vector<SqlValue>& params) override {
    SQLHSTMT handle = SQL_NULL_HANDLE;
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, connection_, &handle)))
      ThrowDiagnostic(SQL_HANDLE_DBC, connection_, "no statement handle");
    {
      const std::lock_guard<std::mutex> lock(cancelling_);
      statement_ = handle;
    }
    try {
      std::vector<SqlRow> rows = Execute(handle, statement, params);
      Release(handle);
      return rows;
    } catch (...) {
      Release(handle);
      throw;
    }
  }

  void Commit() override { EndTransaction(SQL_COMMIT); }
  void Rollback() override { EndTransaction(SQL_ROLLBACK); }

  void Cancel() noexcept override {
    const std::lock_guard<std::mutex> lock(cancelling_);
    if (statement_ != SQL_NULL_HANDLE) SQLCancel(statement_);
  }

 private:
  std::vector<SqlRow> Execute(SQLHSTMT handle, const std::string& statement, const std::vector<SqlValue>& params) {
    SQLSetStmtAttr(handle, SQL_ATTR_QUERY_TIMEOUT,
                   reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeouts_.querySeconds)), 0);
    // The bound buffers live until the statement has run.
    std::vector<int64_t> numbers(params.size());
    std::vector<SQLLEN> lengths(params.size());
    for (std::size_t at = 0; at < params.size(); ++at) {
      const auto number = static_cast<SQLUSMALLINT>(at + 1);
      SQLRETURN bound = SQL_SUCCESS;
      if (const auto* value = std::get_if<int64_t>(&params[at])) {
        numbers[at] = *value;
        lengths[at] = 0;
        bound = SQLBindParameter(handle, number, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &numbers[at], 0,
                                 &lengths[at]);
      } else {
        const std::string& text = std::get<std::string>(params[at]);
        lengths[at] = static_cast<SQLLEN>(text.size());
        bound = SQLBindParameter(handle, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                                 text.empty() ? 1 : text.size(), 0,
                                 const_cast<char*>(text.data()),  // NOLINT: ODBC takes input buffers as non-const
                                 lengths[at], &lengths[at]);
      }
      if (!Succeeded(bound)) ThrowDiagnostic(SQL_HANDLE_STMT, handle, "cannot bind a value");
    }
    std::string text = statement;
    const SQLRETURN ran =
        SQLExecDirect(handle, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
    if (ran != SQL_NO_DATA && !Succeeded(ran)) ThrowDiagnostic(SQL_HANDLE_STMT, handle, "the statement failed");
    std::vector<SqlRow> rows;
    SQLSMALLINT columns = 0;
    if (ran == SQL_NO_DATA || !Succeeded(SQLNumResultCols(handle, &columns)) || columns == 0) return rows;
    for (SQLRETURN fetched = SQLFetch(handle); fetched != SQL_NO_DATA; fetched = SQLFetch(handle)) {
      if (!Succeeded(fetched)) ThrowDiagnostic(SQL_HANDLE_STMT, handle, "cannot read a row");
      SqlRow& row = rows.emplace_back();
      for (SQLUSMALLINT column = 1; column <= static_cast<SQLUSMALLINT>(columns); ++column)
        row.push_back(ReadColumn(handle, column));
    }
    return rows;
  }

  static std::optional<std::string> ReadColumn(SQLHSTMT handle, SQLUSMALLINT column) {
    std::string value;
    char chunk[256];
    for (;;) {
      SQLLEN length = 0;
      const SQLRETURN got = SQLGetData(handle, column, SQL_C_CHAR, chunk, sizeof chunk, &length);
      if (got == SQL_NO_DATA) break;
      if (!Succeeded(got)) ThrowDiagnostic(SQL_HANDLE_STMT, handle, "cannot read a value");
      if (length == SQL_NULL_DATA) return std::nullopt;
      // A part that did not fit fills the chunk but for its terminating zero.
      const bool more = got == SQL_SUCCESS_WITH_INFO && (length == SQL_NO_TOTAL || length >= SQLLEN{sizeof chunk});
      value.append(chunk, more ? sizeof chunk - 1 : static_cast<std::size_t>(length));
      if (!more) break;
    }
    return value;
  }

  void Release(SQLHSTMT handle) {
    {
      const std::lock_guard<std::mutex> lock(cancelling_);
      statement_ = SQL_NULL_HANDLE;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, handle);
  }

  void EndTransaction(SQLSMALLINT how) {
    if (!Succeeded(SQLEndTran(SQL_HANDLE_DBC, connection_, how)))
      ThrowDiagnostic(SQL_HANDLE_DBC, connection_, how == SQL_COMMIT ? "cannot commit" : "cannot roll back");
  }

  SqlTimeouts timeouts_;
  SQLHENV environment_ = SQL_NULL_HANDLE;
  SQLHDBC connection_ = SQL_NULL_HANDLE;
  bool open_ = false;
  std::mutex cancelling_;
  SQLHSTMT statement_ = SQL_NULL_HANDLE;
};

}  // namespace

SqlConnector OdbcConnector(SqlTimeouts timeouts) {
  return [timeouts](const std::string& connection) -> std::unique_ptr<SqlConnection> {
    return std::make_unique<OdbcConnection>(connection, timeouts);
  };
}
