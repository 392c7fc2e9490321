/*
 * Private to the engine layer: the Jet front end. One Jet statement is read into a tree
 * whose nodes carry what Jet's rules turn on (the value type of an expression, whether it
 * holds a file-name column, which calls are Jet functions), so that a target dialect
 * (target.h) only has to spell it. Stands on the tokenizer (lexer.h) and the foreign-key
 * description (dialect.h).
 */
#pragma once

#include "store/engine/jet/dialect.h"
#include "store/engine/jet/lexer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kavdb::engine::jet {

enum class Kind : uint8_t {
    Token,   // one token as written: a keyword, punctuation, an alias
    Literal, // a number, text, #date#, Null, True, False, or the * of COUNT(*) and SELECT *
    Name,    // a table or column, dotted: tokens tok..last ("t.*" too)
    Param,   // ? or ?N: tokens tok..last
    Call,    // tok is the function's name; kids are its arguments
    Unary,   // op Neg or Not; kids: the operand
    Binary,  // arithmetic, concatenation, logic or comparison; kids: left, right
    Like,    // kids: value, pattern
    In,      // kids: value, then a List or a Query
    Between, // kids: value, low, high
    IsNull,  // kids: value
    Exists,  // kids: a Query
    List,    // (a, b, ...): kids are the items
    Query,   // a SELECT: sub indexes Statement::selects
    Seq,     // kids in order as written: a stretch read token by token
    Cond,    // kids: an expression read as a condition (after WHERE, ON, HAVING)
};

enum class Op : uint8_t {
    None,
    Neg,
    Not,
    Cat,
    Add,
    Sub,
    Mul,
    Div,
    IntDiv,
    Mod,
    Pow,
    And,
    Or,
    Xor,
    Eqv,
    Imp,
    Eq,
    Ne,
    Lt,
    Le,
    Gt,
    Ge,
};

/* What an expression gives, as far as the text tells: comparisons and logic are Bool;
 * columns, parameters and values of unknown functions are Unknown. Dates are texts. */
enum class Type : uint8_t { Unknown, Bool, Number, Text };

/* How a comparison compares texts: by Jet's rule (ignoring case except for file names),
 * or as StrComp was told to. */
enum class Collate : uint8_t { ByRule, Binary, NoCase };

struct Node {
    Kind kind = Kind::Token;
    Op op = Op::None;
    Type type = Type::Unknown;
    Collate collate = Collate::ByRule;
    bool negated = false;   // NOT LIKE, NOT IN, NOT BETWEEN, IS NOT NULL
    bool exact = false;     // holds Pathname or Filename, which compare exactly
    bool aggregate = false; // holds an aggregate function
    bool bare = false;      // a Query written without parentheses (INSERT ... SELECT)
    int fn = -1;            // a Call of a Jet function: its entry in jetFunctions()
    int sub = -1;           // a Query's select
    int depth = 1;          // of the tree under the node
    uint32_t tok = 0, last = 0;
    std::vector<int> kids;
};

struct Select {
    uint32_t quantifier = 0; // token of ALL, DISTINCT or DISTINCTROW; 0 when none
    uint32_t top = 0;        // token of TOP's count; 0 when none
    bool percent = false;
    std::vector<int> items;
    std::vector<uint32_t> aliases; // per item; 0 when none
    int into = -1;                 // SELECT ... INTO's table (a Name)
    int from = -1, where = -1, having = -1;
    std::vector<int> groupBy, orderBy;
    std::vector<bool> descending;
    int next = -1; // the select after UNION [ALL]
    bool unionAll = false;
};

/* Jet's column types. Sizes count characters of texts and bytes of binaries. */
enum class TypeClass : uint8_t {
    Unknown,
    Counter,
    Text,
    Memo,
    Byte,
    Short,
    Long,
    Single,
    Double,
    DateTime,
    Bit,
    Binary,
    LongBinary,
    Currency,
    Decimal,
    Guid,
};

struct ColumnDef {
    uint32_t name = 0;
    TypeClass type = TypeClass::Unknown;
    int size = 0;
    int rest = -1; // a Seq: NOT NULL, DEFAULT, PRIMARY KEY, UNIQUE, CONSTRAINT ...
};

enum class Verb : uint8_t {
    Other,       // read token by token (INSERT, DROP TABLE, CREATE VIEW ...)
    Select,      // root is the select's Query
    Update,      // from, sets, where
    Delete,      // target (a Name, or -1), from, where
    CreateTable, // table, columns, constraints, keys
    AddColumns,  // ALTER TABLE table ADD columns
    AlterColumn, // ALTER TABLE table ALTER COLUMN columns[0]
    AddKeys,     // ALTER TABLE table ADD FOREIGN KEY: keys
    CreateIndex, // CREATE INDEX and ALTER TABLE ADD CONSTRAINT PRIMARY KEY / UNIQUE: index
    DropIndex,   // DROP INDEX name ON table
};

struct IndexDef {
    uint32_t name = 0;
    bool unique = false, primary = false, disallowNull = false, ignoreNull = false;
    int columns = -1;            // a List: the columns as written (with ASC, DESC)
    std::vector<uint32_t> names; // the column names alone
};

struct Statement {
    Tokens tokens; // the significant tokens of the text
    std::vector<Node> nodes;
    std::vector<Select> selects;
    Verb verb = Verb::Other;
    int root = -1;  // Select: the Query; Other: the Seq of the whole text
    int tail = -1;  // a Seq of what followed the known form of the statement
    int table = -1; // UPDATE and DELETE: the FROM stretch; DDL: the table's Name
    int target = -1, where = -1;
    std::vector<std::pair<int, int>> sets; // UPDATE: column (a Name) = value
    std::vector<ColumnDef> columns;
    std::vector<int> constraints; // CREATE TABLE: table constraints other than keys
    std::vector<ForeignKey> keys;
    IndexDef index;
    bool temporary = false; // CREATE TEMPORARY TABLE

    const Node& node(int id) const { return nodes[static_cast<std::size_t>(id)]; }
    const Token& token(uint32_t i) const { return tokens[i]; }
};

struct JetFunction {
    const char* name;
    uint8_t minArgs, maxArgs;
    Type type;
    bool aggregate;
};
/* The functions Jet knows, by name. */
const std::vector<JetFunction>& jetFunctions();

/* Reads one Jet statement (the text's tokens, one statement checked). Raises kSyntax
 * where Jet would: a wrong number of arguments to a Jet function, an unknown column type,
 * a nesting deeper than Jet reads. */
Statement parseJet(std::string_view jet);

/* The class of a Jet type word (TEXT, LONG, ...); Unknown for a word Jet does not know. */
TypeClass typeClassOf(std::string_view word);
bool isExactName(std::string_view column);

} // namespace kavdb::engine::jet
