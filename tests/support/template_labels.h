// Labels and groups of a template's controls, for the tests to find controls as a user does.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "res/templates.h"

namespace kvr::testing {

// Label and group of each control with an id, in the template's language.
struct Labelled {
    int id;
    std::string label;
    std::string group;
    bool operator==(const Labelled&) const = default;
};

inline std::vector<Labelled> LabelsOf(const res::DialogTemplate& t) {
    std::vector<Labelled> out;
    for (const res::ControlDef& c : t.controls) {
        if (c.id == 0) continue;
        out.push_back(
            {c.id, std::string(Pick(t.language, c.label)), std::string(Pick(t.language, c.group))});
    }
    return out;
}

// The English and the German template of one dialog: each has these labels
// and its language. Null (after a failure) where one is missing.
inline std::pair<const res::DialogTemplate*, const res::DialogTemplate*> ExpectLabels(
    int englishId, const std::vector<Labelled>& english, int germanId,
    const std::vector<Labelled>& german) {
    const res::DialogTemplate* en = res::FindTemplate(englishId);
    const res::DialogTemplate* de = res::FindTemplate(germanId);
    EXPECT_NE(en, nullptr) << englishId;
    EXPECT_NE(de, nullptr) << germanId;
    if (en != nullptr) {
        EXPECT_EQ(LabelsOf(*en), english);
        EXPECT_EQ(en->language, Language::English);
    }
    if (de != nullptr) {
        EXPECT_EQ(LabelsOf(*de), german);
        EXPECT_EQ(de->language, Language::German);
    }
    return {en, de};
}

// One control's label and group in English and in German.
struct LabelledBoth {
    int id;
    Text label;
    Text group;
};

// ExpectLabels from one table of both languages.
inline std::pair<const res::DialogTemplate*, const res::DialogTemplate*> ExpectLabels(
    int englishId, int germanId, const std::vector<LabelledBoth>& rows) {
    std::vector<Labelled> english;
    std::vector<Labelled> german;
    for (const LabelledBoth& r : rows) {
        english.push_back({r.id, std::string(r.label.en), std::string(r.group.en)});
        german.push_back({r.id, std::string(r.label.de), std::string(r.group.de)});
    }
    return ExpectLabels(englishId, english, germanId, german);
}

// Each of the templates holds these controls, in this order: the ones found.
inline std::vector<const res::DialogTemplate*> ExpectControlIds(const std::vector<int>& templateIds,
                                                                const std::vector<int>& ids) {
    std::vector<const res::DialogTemplate*> found;
    for (int templateId : templateIds) {
        const res::DialogTemplate* t = res::FindTemplate(templateId);
        EXPECT_NE(t, nullptr) << templateId;
        if (t == nullptr) continue;
        std::vector<int> held;
        for (const res::ControlDef& c : t->controls) held.push_back(c.id);
        EXPECT_EQ(held, ids) << templateId;
        if (held.size() >= ids.size()) found.push_back(t);
    }
    return found;
}

inline void PrintTo(const Labelled& l, std::ostream* os) {
    *os << l.id << " \"" << l.label << "\" [" << l.group << "]";
}

}  // namespace kvr::testing
