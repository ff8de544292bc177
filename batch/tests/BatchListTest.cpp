// The list of a batch: CSV records, the columns and every row's checks, the parts of a list.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "batch/CsvRecords.h"
#include "batch/MailboxList.h"
#include "batch/Shards.h"

namespace mailshift::batch {
namespace {

struct CsvCase {
  std::string text;
  std::vector<std::vector<std::string>> records;
  std::vector<std::size_t> lines;
  std::string problem;  // the start of the first problem, "" for none
};

TEST(CsvRecords, ReadsWhatRfc4180Writes) {
  const std::vector<CsvCase> cases{
      {"a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}, {1, 2}, ""},
      {"\xEF\xBB\xBF"
       "a,b\nc,d",
       {{"a", "b"}, {"c", "d"}},
       {1, 2},
       ""},
      {"\"x, y\",\"say \"\"hi\"\"\"\n", {{"x, y", "say \"hi\""}}, {1}, ""},
      {"\"two\nlines\",z\nnext,row\n", {{"two\nlines", "z"}, {"next", "row"}}, {1, 3}, ""},
      {"a,,\n\n,b\n", {{"a", "", ""}, {"", "b"}}, {1, 3}, ""},
      {"\"open,b\nc,d\n", {}, {}, "line 1: a quoted field is not closed"},
      {"a,b\nx\"y,z\n", {{"a", "b"}}, {1}, "line 2: a quote inside"},
      {"\"a\"b,c\n", {}, {}, "line 1: text after the closing quote"},
      {"a\rb\n", {}, {}, "line 1: a carriage return"},
      {std::string("a") + '\0' + "b\n", {}, {}, "line 1: a NUL"},
      {std::string(5000, 'x') + "\n", {}, {}, "line 1: a field longer than 4096 bytes"},
  };
  for (const CsvCase& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 60));
    const CsvRead read = ReadCsv(c.text);
    ASSERT_EQ(read.records.size(), c.records.size());
    for (std::size_t index = 0; index < c.records.size(); ++index) {
      EXPECT_EQ(read.records[index].fields, c.records[index]);
      EXPECT_EQ(read.records[index].line, c.lines[index]);
    }
    if (c.problem.empty()) {
      EXPECT_TRUE(read.problems.empty()) << read.problems.front();
    } else {
      ASSERT_FALSE(read.problems.empty());
      EXPECT_EQ(read.problems.front().substr(0, c.problem.size()), c.problem);
    }
  }
}

TEST(CsvRecords, WritesFieldsThatReadBackTheSame) {
  const std::vector<std::string> fields{"plain", "a,b",      "quote \"q\"", "two\r\nlines",
                                        "",      " padded ", "<b>&"};
  const CsvRead read = ReadCsv(CsvLine(fields) + CsvLine({"x"}));
  ASSERT_EQ(read.records.size(), 2u);
  EXPECT_EQ(read.records[0].fields, fields);
  EXPECT_EQ(read.records[1].line, 3u);
}

TEST(CsvRecords, StopsAtTheLimitOfRecords) {
  std::string text;
  for (int i = 0; i < 20; ++i) text += "r" + std::to_string(i) + "\n";
  CsvLimits limits;
  limits.records = 10;
  const CsvRead read = ReadCsv(text, limits);
  EXPECT_EQ(read.records.size(), 10u);
  ASSERT_EQ(read.problems.size(), 1u);
  EXPECT_EQ(read.problems.front(), "line 11: more than 10 records");
}

struct ListCase {
  std::string text;
  std::vector<Mailbox> mailboxes;
  std::vector<std::string> problems;
};

TEST(MailboxList, ChecksEveryRowAndNamesItsLine) {
  const std::vector<ListCase> cases{
      {"database,destination\n/m/a.nsf,/out/a\n", {{2, "/m/a.nsf", "/out/a", "", "", {}}}, {}},
      {"Owner , DATABASE,exclude,destination,names\r\n"
       "Ann,a.nsf,\"Trash; Junk Mail ;\",out,names.csv\r\n",
       {{2, "/base/a.nsf", "/base/out", "/base/names.csv", "Ann", {"Trash", "Junk Mail"}}},
       {}},
      {"database,destination\nrel/b.nsf,imap://mail.example.com/ann\n",
       {{2, "/base/rel/b.nsf", "imap://mail.example.com/ann", "", "", {}}},
       {}},
      {"database\n/a.nsf\n", {}, {"line 1: the first line must name the columns database and destination"}},
      {"database,destination,colour\n",
       {},
       {"line 1: unknown column \"colour\"; the columns are database, destination, names, owner, exclude"}},
      {"database,destination,Database\n", {}, {"line 1: the column \"Database\" is named twice"}},
      {"", {}, {"the list is empty; its first line names the columns"}},
      {"database,destination\n"
       "/a.nsf,/o\n"
       "/b.nsf\n"
       ",/o\n"
       "/c.nsf,\n"
       "/a.nsf,/p\n"
       "\"/d.nsf,/o\n",
       {},
       {"line 3: 1 fields where the first line names 2", "line 4: no database", "line 5: no destination",
        "line 6: the database is listed already on line 2", "line 7: a quoted field is not closed"}},
      {"database,destination\n/\xFF.nsf,/o\n", {}, {"line 2: a field that is not UTF-8 text"}},
  };
  for (const ListCase& c : cases) {
    SCOPED_TRACE(c.text);
    const MailboxListRead read = ReadMailboxList(c.text, "/base");
    std::multiset<std::string> problems(read.problems.begin(), read.problems.end());
    EXPECT_EQ(problems, std::multiset<std::string>(c.problems.begin(), c.problems.end()));
    ASSERT_EQ(read.mailboxes.size(), c.mailboxes.size());
    for (std::size_t index = 0; index < c.mailboxes.size(); ++index) {
      const Mailbox& got = read.mailboxes[index];
      const Mailbox& want = c.mailboxes[index];
      EXPECT_EQ(got.line, want.line);
      EXPECT_EQ(got.database, want.database);
      EXPECT_EQ(got.destination, want.destination);
      EXPECT_EQ(got.names, want.names);
      EXPECT_EQ(got.owner, want.owner);
      EXPECT_EQ(got.exclude, want.exclude);
    }
  }
}

TEST(Shards, ReadsTheirPartAndCoverTheListOnce) {
  EXPECT_EQ(ParseShard("2/3").shard->index, 2u);
  for (const std::string bad : {"0/3", "4/3", "1/0", "x/3", "1-3", "/3", "1/", "-1/3", "1/100001"}) {
    EXPECT_FALSE(ParseShard(bad).shard) << bad;
    EXPECT_FALSE(ParseShard(bad).problem.empty()) << bad;
  }
  for (std::size_t size : {0u, 1u, 2u, 20u, 21u}) {
    for (std::size_t count : {1u, 3u, 7u}) {
      std::size_t next = 0;
      for (std::size_t index = 1; index <= count; ++index) {
        const Shard shard{index, count};
        EXPECT_EQ(shard.Begin(size), next);
        EXPECT_LE(shard.End(size) - shard.Begin(size), size / count + 1);
        next = shard.End(size);
      }
      EXPECT_EQ(next, size);
    }
  }
}

TEST(Shards, ComeFromTheVariablesOfAnArrayJob) {
  struct Case {
    std::map<std::string, std::string> variables;
    std::size_t count;
    std::size_t index, of;  // 0 when refused
  };
  const std::vector<Case> cases{
      {{{"SLURM_ARRAY_TASK_ID", "0"}, {"SLURM_ARRAY_TASK_COUNT", "3"}}, 0, 1, 3},
      {{{"SLURM_ARRAY_TASK_ID", "3"}, {"SLURM_ARRAY_TASK_MIN", "1"}, {"SLURM_ARRAY_TASK_COUNT", "3"}},
       0,
       3,
       3},
      {{{"SLURM_ARRAY_TASK_ID", "5"}, {"SLURM_ARRAY_TASK_COUNT", "3"}}, 0, 0, 0},
      {{{"SLURM_ARRAY_TASK_ID", "1"}}, 4, 2, 4},
      {{{"SLURM_ARRAY_TASK_ID", "x"}, {"SLURM_ARRAY_TASK_COUNT", "3"}}, 0, 0, 0},
      {{{"JOB_COMPLETION_INDEX", "2"}}, 5, 3, 5},
      {{{"JOB_COMPLETION_INDEX", "2"}}, 0, 0, 0},
      {{{"JOB_COMPLETION_INDEX", "5"}}, 5, 0, 0},
      {{}, 3, 0, 0},
  };
  for (const Case& c : cases) {
    const ShardRead read = ShardFromEnvironment(
        [&](const char* name) -> std::optional<std::string> {
          const auto found = c.variables.find(name);
          if (found == c.variables.end()) return std::nullopt;
          return found->second;
        },
        c.count);
    if (c.index == 0) {
      EXPECT_FALSE(read.shard);
      EXPECT_FALSE(read.problem.empty());
    } else {
      ASSERT_TRUE(read.shard) << read.problem;
      EXPECT_EQ(read.shard->index, c.index);
      EXPECT_EQ(read.shard->count, c.of);
    }
  }
}

}  // namespace
}  // namespace mailshift::batch
