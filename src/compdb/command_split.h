// A compile command given as one string (the "command" of a compile
// database) split into its words, by the rules of the shell that would run
// it: POSIX shell quoting on POSIX systems, the Microsoft C runtime's
// command-line rules on Windows. Both are available everywhere.
#ifndef CLUDEMAP_COMPDB_COMMAND_SPLIT_H_
#define CLUDEMAP_COMPDB_COMMAND_SPLIT_H_

#include <string>
#include <string_view>
#include <vector>

// Words separated by blanks (space, tab, newline). 'single quotes' keep
// everything up to the next single quote; "double quotes" keep everything up
// to the next unescaped double quote, where a backslash escapes only '"',
// '\', '$', '`' and a newline; outside quotes a backslash escapes any
// character. A backslash before a newline removes both. An unclosed quote
// runs to the end. No expansion of any kind is done.
std::vector<std::string> splitPosixCommand(std::string_view command);

// Words separated by spaces and tabs. The first word, the program, ends at
// the first blank outside double quotes, and its quotes are only removed.
// In later words, 2n backslashes before a double quote give n backslashes
// and the quote opens or closes a quoted part, 2n+1 give n backslashes and
// a literal quote; within a quoted part "" gives a literal quote. Other
// backslashes are literal.
std::vector<std::string> splitWindowsCommand(std::string_view command);

// splitWindowsCommand on Windows, splitPosixCommand elsewhere.
std::vector<std::string> splitCommand(std::string_view command);

// `word` written so that splitWindowsCommand reads it back as one word (in
// any place but the first), for building a Windows command line.
std::string quoteWindowsArgument(std::string_view word);

#endif  // CLUDEMAP_COMPDB_COMMAND_SPLIT_H_
