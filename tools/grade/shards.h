// A class graded in shards, on several machines or jobs: each run with
// --shard K/N grades every N-th submission and keeps, beside its report,
// shard.json with everything it graded; merging the shards' reports writes
// the report a single run would have written.
#pragma once

#include <string>
#include <vector>

#include "assignment.h"
#include "report.h"

namespace grade {

struct Shard {
  int number = 0;         // K, from 1
  int count = 0;          // N
  size_t class_size = 0;  // the submissions of the whole class
};

// Writes DIRECTORY/shard.json: the shard, the assignment's title and tests,
// and each student's results with its place in the class (`positions`).
bool write_shard(const std::string& directory, const Assignment& assignment, const Shard& shard,
                 const std::vector<size_t>& positions, const std::vector<StudentResult>& students,
                 std::string* error);

// zivro-grade merge: the exit status as grading's (0 written, 1 the report
// could not be written, 2 refused with one line on standard error).
int merge_reports(const std::string& out, const std::vector<std::string>& shard_directories);

}  // namespace grade
