#include "assignment.h"

#include <toml++/toml.h>

#include <filesystem>
#include <set>

#include "package_windows.h"
#include "pictures.h"

namespace grade {
namespace fs = std::filesystem;

namespace {

// The reading of one file: the first problem found, with its line.
struct Reader {
  std::string path;
  std::string directory;  // relative paths in the file start here
  std::string error;

  bool fail(const toml::source_region& where, const std::string& what) {
    if (error.empty()) error = path + ":" + std::to_string(where.begin.line) + ": " + what;
    return false;
  }

  bool only_keys(const toml::table& table, const std::set<std::string>& known,
                 const std::string& where) {
    for (auto&& [key, value] : table) {
      if (!known.count(std::string(key.str()))) {
        return fail(key.source(), "unknown key '" + std::string(key.str()) + "' in " + where);
      }
    }
    return true;
  }

  bool text(const toml::node& node, const std::string& key, std::string* value) {
    if (!node.is_string()) return fail(node.source(), "'" + key + "' must be a string");
    *value = node.as_string()->get();
    return true;
  }

  bool number(const toml::node& node, const std::string& key, double lowest, double* value) {
    const std::optional<double> read = node.value<double>();
    if (!read || !(node.is_integer() || node.is_floating_point())) {
      return fail(node.source(), "'" + key + "' must be a number");
    }
    if (*read < lowest) {
      return fail(node.source(), "'" + key + "' must be at least " + std::to_string(long(lowest)));
    }
    *value = *read;
    return true;
  }

  bool whole(const toml::node& node, const std::string& key, long lowest, long* value) {
    if (!node.is_integer()) return fail(node.source(), "'" + key + "' must be a whole number");
    const int64_t read = node.as_integer()->get();
    if (read < lowest) {
      return fail(node.source(), "'" + key + "' must be at least " + std::to_string(lowest));
    }
    *value = static_cast<long>(read);
    return true;
  }

  bool texts(const toml::node& node, const std::string& key, std::vector<std::string>* values) {
    const toml::array* array = node.as_array();
    if (!array) return fail(node.source(), "'" + key + "' must be a list of strings");
    for (const toml::node& item : *array) {
      if (!item.is_string()) return fail(item.source(), "'" + key + "' must hold strings only");
      values->push_back(item.as_string()->get());
    }
    return true;
  }

  std::string resolve(const std::string& name) const {
    const fs::path named(name);
    return (named.is_absolute() ? named : fs::path(directory) / named).lexically_normal();
  }

  bool limits(const toml::node& node, const std::string& where, sandbox::Limits* limits) {
    const toml::table* table = node.as_table();
    if (!table) return fail(node.source(), "'limits' must be a table");
    if (!only_keys(*table, {"time", "memory", "output", "file_size", "processes"}, where)) {
      return false;
    }
    struct Limit {
      const char* key;
      long* value;
    };
    const Limit all[] = {{"time", &limits->cpu_seconds},
                         {"memory", &limits->memory_mb},
                         {"output", &limits->output_bytes},
                         {"file_size", &limits->file_mb},
                         {"processes", &limits->processes}};
    for (const Limit& limit : all) {
      if (const toml::node* value = table->get(limit.key)) {
        if (!whole(*value, limit.key, 1, limit.value)) return false;
      }
    }
    return true;
  }

  bool test(const toml::table& table, const sandbox::Limits& defaults, Test* test) {
    if (!only_keys(table,
                   {"name", "script", "points", "compare", "credit", "tolerance", "ticks",
                    "answers", "arguments", "limits", "at", "mask", "compare_log"},
                   "[[test]]")) {
      return false;
    }
    test->limits = defaults;
    const toml::node* name = table.get("name");
    const toml::node* script = table.get("script");
    if (!name) return fail(table.source(), "a [[test]] needs a 'name'");
    if (!text(*name, "name", &test->name)) return false;
    if (test->name.empty() ||
        test->name.find_first_not_of("abcdefghijklmnopqrstuvwxyz"
                                     "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                     "0123456789._-") != std::string::npos ||
        test->name[0] == '.') {
      return fail(name->source(),
                  "test name '" + test->name + "' may hold only letters, digits, '.', '_' and '-'");
    }
    if (!script) return fail(table.source(), "test '" + test->name + "' needs a 'script'");
    std::string script_name;
    if (!text(*script, "script", &script_name)) return false;
    test->script = resolve(script_name);
    std::error_code code;
    if (!fs::is_regular_file(test->script, code)) {
      return fail(script->source(), "cannot read script '" + script_name + "'");
    }
    std::string why;
    if (!read_script_events(test->script, &test->events, &why)) {
      return fail(script->source(), why);
    }
    if (test->events.total == 0) {
      std::string where;
      if (test->events.stops_at_line) {
        where = " (its line " + std::to_string(test->events.stops_at_line) + " is " +
                test->events.stop_reason + ")";
      }
      return fail(script->source(), "script '" + script_name + "' plays no event" + where);
    }
    if (const toml::node* node = table.get("points")) {
      if (!number(*node, "points", 0, &test->points)) return false;
    }
    if (const toml::node* node = table.get("compare")) {
      std::string compare;
      if (!text(*node, "compare", &compare)) return false;
      if (compare == "every-frame") {
        test->compare = Compare::kEveryFrame;
      } else if (compare == "last-frame") {
        test->compare = Compare::kLastFrame;
      } else if (compare == "ticks") {
        test->compare = Compare::kTicks;
      } else {
        return fail(
            node->source(),
            "'compare' is \"every-frame\", \"last-frame\" or \"ticks\", not \"" + compare + "\"");
      }
    }
    if (const toml::node* node = table.get("credit")) {
      std::string credit;
      if (!text(*node, "credit", &credit)) return false;
      if (credit == "all-or-nothing") {
        test->credit = Credit::kAllOrNothing;
      } else if (credit == "frames") {
        test->credit = Credit::kFrames;
      } else {
        return fail(node->source(),
                    "'credit' is \"all-or-nothing\" or \"frames\", not \"" + credit + "\"");
      }
      if (test->credit == Credit::kFrames && test->compare == Compare::kLastFrame) {
        return fail(node->source(),
                    "credit = \"frames\" counts every frame; it needs compare = "
                    "\"every-frame\"");
      }
    }
    if (const toml::node* node = table.get("tolerance")) {
      if (!whole(*node, "tolerance", 0, &test->tolerance)) return false;
    }
    if (const toml::node* node = table.get("ticks")) {
      if (!whole(*node, "ticks", 0, &test->ticks)) return false;
    }
    if (const toml::node* node = table.get("compare_log")) {
      if (!node->is_boolean()) return fail(node->source(), "'compare_log' must be true or false");
      test->compare_log = node->as_boolean()->get();
    }
    if (const toml::node* node = table.get("answers")) {
      if (!texts(*node, "answers", &test->answers)) return false;
    }
    if (const toml::node* node = table.get("arguments")) {
      if (!texts(*node, "arguments", &test->arguments)) return false;
    }
    if (const toml::node* node = table.get("limits")) {
      if (!limits(*node, "[test.limits]", &test->limits)) return false;
    }
    if (!ticks_chosen(table, script_name, test)) return false;
    if (const toml::node* node = table.get("mask")) {
      std::string name;
      if (!text(*node, "mask", &name)) return false;
      test->mask = resolve(name);
      std::string why = "cannot be read";
      if (!fs::is_regular_file(test->mask, code) ||
          !read_mask(test->mask, kCanvasWidth, kCanvasHeight, &test->ignored, &why)) {
        return fail(node->source(), "mask '" + name + "' " + why);
      }
    }
    return true;
  }

  // compare = "ticks" and its list `at`: each needs the other.
  bool ticks_chosen(const toml::table& table, const std::string& script_name, Test* test) {
    const toml::node* at = table.get("at");
    if (test->compare != Compare::kTicks) {
      return !at || fail(at->source(), "'at' chooses ticks for compare = \"ticks\"");
    }
    if (!at) return fail(table.get("compare")->source(), "compare = \"ticks\" needs 'at'");
    const toml::array* list = at->as_array();
    if (!list || list->empty()) {
      return fail(at->source(), "'at' must be a list of ticks, as [0, 10, 25]");
    }
    const long last = ticks_played(test->events);
    for (const toml::node& item : *list) {
      long tick = 0;
      if (!whole(item, "at", 0, &tick)) return false;
      if (!test->at.empty() && tick <= test->at.back()) {
        return fail(item.source(), "'at' must list its ticks in increasing order");
      }
      if (tick > last) {
        return fail(item.source(), "tick " + std::to_string(tick) + " is past the last tick of '" +
                                       script_name + "', which plays " + std::to_string(last));
      }
      test->at.push_back(tick);
    }
    return true;
  }

  bool reference(const toml::node& node, Assignment* assignment) {
    const toml::table* table = node.as_table();
    if (!table) return fail(node.source(), "'reference' must be a table");
    if (!only_keys(*table, {"source", "expected"}, "[reference]")) return false;
    const toml::node* source = table->get("source");
    const toml::node* expected = table->get("expected");
    if (!source == !expected) {
      return fail(table->source(), "[reference] takes one of 'source' and 'expected'");
    }
    const toml::node& given = source ? *source : *expected;
    std::string name;
    if (!text(given, source ? "source" : "expected", &name)) return false;
    const std::string resolved = resolve(name);
    std::error_code code;
    if (source && !fs::exists(resolved, code)) {
      return fail(given.source(), "no reference source '" + name + "'");
    }
    if (expected && !fs::is_directory(resolved, code)) {
      return fail(given.source(), "no directory of expected frames '" + name + "'");
    }
    (source ? assignment->reference_source : assignment->reference_expected) = resolved;
    return true;
  }
};

}  // namespace

double Assignment::max_score() const {
  double total = 0;
  for (const Test& test : tests) total += test.points;
  return total;
}

bool load_assignment(const std::string& path, Assignment* assignment, std::string* error) {
  *assignment = Assignment{};
  assignment->path = path;
  Reader reader{path, fs::absolute(path).parent_path().string(), {}};
  std::error_code code;
  if (!fs::is_regular_file(path, code)) {
    *error = path + ": cannot read the assignment file";
    return false;
  }
  toml::table root;
  try {
    root = toml::parse_file(path);
  } catch (const toml::parse_error& problem) {
    *error = path + ":" + std::to_string(problem.source().begin.line) + ": " +
             std::string(problem.description());
    return false;
  }
  bool ok = reader.only_keys(root, {"title", "reference", "limits", "test"}, "the assignment");
  if (ok) {
    if (const toml::node* title = root.get("title"))
      ok = reader.text(*title, "title", &assignment->title);
  }
  sandbox::Limits defaults;
  if (ok) {
    if (const toml::node* limits = root.get("limits"))
      ok = reader.limits(*limits, "[limits]", &defaults);
  }
  if (ok) {
    const toml::node* reference = root.get("reference");
    ok = reference ? reader.reference(*reference, assignment)
                   : reader.fail(root.source(), "the assignment needs a [reference]");
  }
  const toml::node* tests = root.get("test");
  if (ok && (!tests || !tests->is_array_of_tables())) {
    ok = reader.fail(tests ? tests->source() : root.source(),
                     "the assignment needs at least one [[test]]");
  }
  std::set<std::string> names;
  if (ok) {
    for (const toml::node& node : *tests->as_array()) {
      Test test;
      if (!reader.test(*node.as_table(), defaults, &test)) break;
      if (!names.insert(test.name).second) {
        reader.fail(node.source(), "a second test named '" + test.name + "'");
        break;
      }
      assignment->tests.push_back(std::move(test));
    }
  }
  if (!reader.error.empty()) {
    *error = reader.error;
    return false;
  }
  return true;
}

}  // namespace grade
