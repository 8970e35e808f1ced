#pragma once

namespace kv {

// A list with query by example: "Sample Query" shows the products of an embedded SQLite
// database "qbesample" in the working directory (created and filled with ten products on
// first use) in the list ?LIST (code, description, price), with the buttons ?QUERY ("&Query":
// the query entry window "Query by Example" with rows Code, Description and Price, and its
// "Query by Example Settings") and ?CLOSE, and the prompt ?QUERYRESULT showing the filter in
// force. The context-menu key on the list opens its pop-up menu: "Query" and,
// once a query is active or saved, the sub-menu "View" with the saved queries and "C&lear".
// Saved queries go to the settings file "qbesample.ini" in the working directory.
//
// The SQL drivers must be registered first (RegisterSqlDrivers). Runs on the calling logical
// thread until the window closes.
void SampleQueryProcedure();

}  // namespace kv
