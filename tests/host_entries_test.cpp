// The facts of the host interface that its one list (host_entries.def) must
// show: the names, their order by family, and the parameter classes it gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host_entries.h"

namespace {

using namespace qztest;

std::vector<unsigned> slotRange(std::initializer_list<std::pair<unsigned, unsigned>> ranges) {
  std::vector<unsigned> slots;
  for (const auto &[first, last] : ranges)
    for (unsigned slot = first; slot <= last; ++slot)
      slots.push_back(slot);
  return slots;
}

TEST(HostEntryList, NamesAreDistinctWellFormedAndInSlotOrder) {
  ASSERT_EQ(kHostEntryCount, 690u);
  std::set<std::string_view> names;
  for (unsigned k = 0; k < kHostEntryCount; ++k) {
    const HostEntry &entry = kHostEntries[k];
    EXPECT_EQ(entry.slot, k);
    EXPECT_TRUE(names.insert(entry.name).second) << entry.name << " twice";
    EXPECT_TRUE(entry.name.starts_with("mi_")) << entry.name;
    EXPECT_GE(entry.name.size(), 7u) << entry.name;
    EXPECT_LE(entry.name.size(), 37u) << entry.name;
    EXPECT_EQ(entry.name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_T"), std::string_view::npos)
        << entry.name;
    EXPECT_EQ(entry.name.find('T') != std::string_view::npos, entry.name == "mi_vector_transform_T") << entry.name;
  }
  EXPECT_EQ(kHostEntries[0].name, "mi_scene_book_get_line");
  EXPECT_EQ(kHostEntries[100].name, "mi_phen_eval");
  EXPECT_EQ(kHostEntries[254].name, "mi_query");
  EXPECT_EQ(kHostEntries[689].name, "mi_api_get_reload_limit");
}

// Each family's names (by prefix, or by exact name) sit in exactly its slots.
TEST(HostEntryList, FamiliesOccupyTheirSlots) {
  struct Family {
    std::vector<std::string_view> names; // a name ending in '_' is a prefix
    std::vector<unsigned> slots;
  };
  const std::vector<Family> families = {
      {{"mi_scene_"}, slotRange({{0, 13}, {16, 24}})},
      {{"mi_geoshader_"}, slotRange({{14, 15}, {297, 297}, {401, 407}, {409, 409}})},
      {{"mi_photon_"}, slotRange({{28, 36}})},
      {{"mi_choose_", "mi_reflection_", "mi_transmission_", "mi_scattering_", "mi_refraction_dir"},
       slotRange({{37, 50}, {235, 242}})},
      {{"mi_store_", "mi_compute_", "mi_finalgather_store"}, slotRange({{51, 58}})},
      {{"mi_volume_"}, slotRange({{63, 67}})},
      {{"mi_trace_"}, slotRange({{71, 78}, {90, 92}})},
      {{"mi_renderpass_"}, slotRange({{83, 88}})},
      {{"mi_phen_"}, slotRange({{100, 104}, {109, 109}})},
      {{"mi_call_"}, slotRange({{107, 108}, {110, 116}})},
      {{"mi_par_"}, slotRange({{118, 118}, {120, 121}, {216, 216}, {315, 315}})},
      {{"mi_init_lock", "mi_delete_lock", "mi_lock", "mi_trylock", "mi_unlock"}, slotRange({{125, 129}})},
      {{"mi_mem_"}, slotRange({{132, 157}})},
      {{"mi_link_"}, slotRange({{160, 165}})},
      {{"mi_spectrum_"}, slotRange({{166, 168}, {170, 204}})},
      {{"mi_kdtree_"}, slotRange({{205, 212}})},
      {{"mi_shaderstate_"}, slotRange({{213, 215}})},
      {{"mi_fresnel", "mi_fresnel_reflection", "mi_fresnel_specular", "mi_phong_specular", "mi_blong_specular",
        "mi_blinn_specular", "mi_cooktorr_specular", "mi_ward_glossy", "mi_ward_anisglossy", "mi_schlick_scatter"},
       slotRange({{221, 230}})},
      {{"mi_lookup_"}, slotRange({{231, 232}, {286, 291}})},
      {{"mi_rbtree_"}, slotRange({{243, 253}})},
      {{"mi_point_", "mi_vector_", "mi_normal_"}, slotRange({{261, 285}, {321, 323}})},
      {{"mi_noise_", "mi_unoise_"}, slotRange({{300, 311}})},
      {{"mi_erandom", "mi_srandom", "mi_random"}, slotRange({{312, 314}})},
      {{"mi_matrix_"}, slotRange({{316, 320}, {324, 327}})},
      {{"mi_fatal", "mi_nfatal", "mi_error", "mi_nerror", "mi_warning", "mi_nwarning", "mi_info", "mi_progress",
        "mi_debug", "mi_vdebug", "mi_fatal_error_freeze", "mi_strerror"},
       slotRange({{328, 339}})},
      {{"mi_colorprofile_"}, slotRange({{340, 349}})},
      {{"mi_img_"}, slotRange({{350, 391}})},
      {{"mi_geomo_"}, slotRange({{392, 400}})},
      {{"mi_db_"}, slotRange({{410, 423}})},
      {{"mi_api_"}, slotRange({{424, 625}, {627, 689}})},
  };
  const std::vector<unsigned> singles =
      slotRange({{25, 27},   {59, 62},   {68, 70},   {79, 82},   {89, 89},   {93, 99},   {105, 106},
                 {117, 117}, {119, 119}, {122, 124}, {130, 131}, {158, 159}, {169, 169}, {217, 220},
                 {233, 234}, {254, 260}, {292, 296}, {298, 299}, {408, 408}, {626, 626}});
  const auto matches = [](std::string_view name, std::string_view pattern) {
    return pattern.ends_with('_') ? name.starts_with(pattern) : name == pattern;
  };

  std::map<unsigned, int> families_of_slot;
  for (const Family &family : families) {
    std::vector<unsigned> found;
    for (const HostEntry &entry : kHostEntries)
      if (std::any_of(family.names.begin(), family.names.end(), [&](auto p) { return matches(entry.name, p); }))
        found.push_back(entry.slot);
    EXPECT_EQ(found, family.slots) << family.names.front();
    for (unsigned slot : family.slots)
      ++families_of_slot[slot];
  }
  EXPECT_EQ(singles.size(), 56u);
  std::vector<unsigned> inNoFamily;
  for (unsigned slot = 0; slot < kHostEntryCount; ++slot) {
    EXPECT_LE(families_of_slot[slot], 1) << kHostEntries[slot].name;
    if (families_of_slot[slot] == 0)
      inNoFamily.push_back(slot);
  }
  EXPECT_EQ(inNoFamily, singles);
}

TEST(HostEntryList, ApiGroupsAndXVariants) {
  std::map<std::string_view, int> groups;
  std::set<std::string_view> names, begins, ends;
  for (const HostEntry &entry : kHostEntries)
    names.insert(entry.name);
  for (std::string_view name : names) {
    for (std::string_view group : {"mi_api_subdivsurf_", "mi_api_map_", "mi_api_parameter_", "mi_api_texture_",
                                   "mi_api_surface_", "mi_api_vertex_"})
      groups[group] += name.starts_with(group);
    if (name.starts_with("mi_api_") && name.ends_with("_begin"))
      begins.insert(name.substr(0, name.size() - 6));
    if (name.starts_with("mi_api_") && name.ends_with("_end"))
      ends.insert(name.substr(0, name.size() - 4));
  }
  EXPECT_EQ(groups, (std::map<std::string_view, int>{{"mi_api_subdivsurf_", 18},
                                                     {"mi_api_map_", 17},
                                                     {"mi_api_parameter_", 14},
                                                     {"mi_api_texture_", 14},
                                                     {"mi_api_surface_", 12},
                                                     {"mi_api_vertex_", 10}}));
  std::vector<std::string_view> elements;
  std::set_intersection(begins.begin(), begins.end(), ends.begin(), ends.end(), std::back_inserter(elements));
  EXPECT_EQ(elements.size(), 35u);

  int xNames = 0;
  for (std::string_view name : names)
    if (name.ends_with("_x")) {
      ++xNames;
      EXPECT_TRUE(names.count(name.substr(0, name.size() - 2))) << name << " has no partner";
    }
  EXPECT_EQ(xNames, 14);
}

// The counts of parameter lists that the list can show: it gives the classes
// of every list with a floating-point or an 8- or 16-bit parameter, of every
// list longer than four, of the locks and of the variadic entries' fixed part.
TEST(HostEntryList, ParameterClassCounts) {
  int fixed = 0, variadic = 0, withFloat = 0, floatParameters = 0, withDouble = 0, doubleParameters = 0, withNarrow = 0,
      floatingOrLong = 0, floatingAndLong = 0, locks = 0;
  std::map<size_t, int> longLists;
  for (const HostEntry &entry : kHostEntries) {
    const std::string_view classes = entry.classes;
    ASSERT_TRUE(classes == "?" || classes.find_first_not_of("pihcfdl") == std::string_view::npos) << entry.name;
    if (entry.variadic) {
      ++variadic;
      EXPECT_TRUE(classesKnown(classes)) << entry.name;
      continue;
    }
    ++fixed;
    if (!classesKnown(classes))
      continue;
    const auto f = std::count(classes.begin(), classes.end(), 'f');
    const auto d = std::count(classes.begin(), classes.end(), 'd');
    withFloat += f > 0;
    floatParameters += static_cast<int>(f);
    withDouble += d > 0;
    doubleParameters += static_cast<int>(d);
    EXPECT_FALSE(f > 0 && d > 0) << entry.name << ": floats and doubles in one list";
    withNarrow += classes.find_first_of("hc") != std::string_view::npos;
    locks += classes == "l";
    const bool floating = f + d > 0;
    const bool isLong = classes.size() > 4;
    floatingOrLong += floating || isLong;
    floatingAndLong += floating && isLong;
    if (isLong)
      ++longLists[classes.size()];
  }
  EXPECT_EQ(fixed, 674);
  EXPECT_EQ(variadic, 16);
  EXPECT_EQ(withFloat, 67);
  EXPECT_EQ(floatParameters, 107);
  EXPECT_EQ(withDouble, 9);
  EXPECT_EQ(doubleParameters, 11);
  EXPECT_EQ(withNarrow, 4);
  EXPECT_EQ(floatingOrLong, 108);
  EXPECT_EQ(floatingAndLong, 25);
  EXPECT_EQ(locks, 3);
  EXPECT_EQ(longLists, (std::map<size_t, int>{{5, 24}, {6, 17}, {7, 8}, {8, 3}, {9, 3}, {12, 1}, {13, 1}}));
}

} // namespace
