#pragma once

#include "app/product_names.h"
#include "build_marks.h"
#include "engine/manifest/manifest_keys.h"

// The wizard's title: a build that accepts unsigned manifests, or one that pins the repository's
// test key, says so at its end.
inline constexpr const wchar_t* kBuildWizardTitle = kAcceptsUnsignedManifests
                                                        ? product::kUnsignedWizardTitle
                                                    : kPinsTestKey ? product::kTestKeyWizardTitle
                                                                   : product::kWizardTitle;
