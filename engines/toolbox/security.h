// The output's protection: which algorithm, which passwords, which
// permissions, worked out from the request and applied to a writer.
#pragma once

#include <string>
#include <vector>

#include "engines/toolbox/toolbox_options.h"

class QPDFWriter;

namespace zembra::toolbox {

enum class Algorithm { kRc4Bits40, kAes128, kAes256 };

/// The permission bits a document can carry (PDF permission flags).
struct PermissionSet {
  bool printLow = false;       ///< bit 3: printing
  bool printHigh = false;      ///< bit 12: printing at full quality
  bool modifyContents = false; ///< bit 4
  bool copying = false;        ///< bit 5
  bool annotations = false;    ///< bit 6
  bool filling = false;        ///< bit 9
  bool screenReader = false;   ///< bit 10
  bool assembly = false;       ///< bit 11

  static PermissionSet All();
  bool operator==(const PermissionSet&) const = default;
};

struct SecurityPlan {
  bool encrypt = false;  ///< false: the output keeps whatever the input had
  Algorithm algorithm = Algorithm::kAes256;
  std::string userPassword;
  std::string ownerPassword;
  PermissionSet permissions;
};

/// The permissions granted by "-permit" and its keywords: no keyword grants
/// everything; keywords grant exactly what they name.
PermissionSet PermissionsFromKeywords(const std::vector<Permission>& keywords);

/// Works out the protection. Without a password nothing is encrypted; with
/// only a user password it also serves as the owner password; permissions
/// are applied only with an owner password (without "-permit" an owner
/// password grants none). Settings that cannot apply give warnings.
SecurityPlan PlanSecurity(const Request& request, std::vector<std::string>& warnings);

/// Sets the writer's encryption parameters for an encrypting plan.
void ApplySecurity(const SecurityPlan& plan, QPDFWriter& writer);

}  // namespace zembra::toolbox
