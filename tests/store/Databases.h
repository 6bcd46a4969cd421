// Real database servers for the shared store's tests: PostgreSQL 15 and
// MariaDB 10.11, each made in a temporary folder, listening on 127.0.0.1 at a
// free port, started once per test process and stopped when it exits
// (Databases.cpp, POSIX). Under Wine a helper of the host starts and kills them
// at the tests' request (HelperDatabases.cpp, DatabaseHelper.cpp).
#pragma once

#include <string>
#include <vector>

// Every engine the shared store speaks; each database test and benchmark runs
// on all.
inline const std::vector<std::string> kEngines{"PostgreSQL", "MariaDB"};

class TestDatabase {
 public:
  virtual ~TestDatabase() = default;
  virtual const char* Engine() const = 0;
  // A fresh, empty database on the server, and the ODBC connection string
  // that reaches it with a password.
  virtual std::string FreshDatabase() = 0;
  // Runs SQL on the database `name` as an administrator; false when it failed.
  virtual bool Admin(const std::string& name, const std::string& sql) = 0;
  // Every process of the server killed with SIGKILL, as a crash would.
  virtual void Kill() = 0;
  // Started again on the same port and files.
  virtual void Start() = 0;
  // The password the connection strings carry.
  static constexpr const char* kSecret = "Wq7-hunter2-Zx";
};

// The server of `engine` (one of kEngines), started at first use;
// null, with `why` set, when its programs or ODBC driver are not installed.
TestDatabase* DatabaseOf(const std::string& engine, std::string& why);
