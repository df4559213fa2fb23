#include "engines/toolbox/security.h"

#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

namespace zembra::toolbox {

PermissionSet PermissionSet::All() {
  PermissionSet all;
  all.printLow = all.printHigh = all.modifyContents = all.copying = true;
  all.annotations = all.filling = all.screenReader = all.assembly = true;
  return all;
}

PermissionSet PermissionsFromKeywords(const std::vector<Permission>& keywords) {
  if (keywords.empty()) return PermissionSet::All();
  PermissionSet set;
  for (const Permission keyword : keywords) {
    switch (keyword) {
      case Permission::kPrinting:
        set.printLow = set.printHigh = true;
        break;
      case Permission::kLowPrinting:
        set.printLow = true;
        break;
      case Permission::kModifyContents:
        set.modifyContents = true;
        break;
      case Permission::kAssembly:
        set.assembly = true;
        break;
      case Permission::kCopying:
        set.copying = true;
        break;
      case Permission::kScreenReader:
        set.screenReader = true;
        break;
      case Permission::kModifyAnnotations:
        set.annotations = true;
        break;
      case Permission::kFilling:
        set.filling = true;
        break;
      case Permission::kAllowAll:
        set = PermissionSet::All();
        break;
    }
  }
  return set;
}

SecurityPlan PlanSecurity(const Request& request, std::vector<std::string>& warnings) {
  SecurityPlan plan;
  // An empty password protects nothing: treat it as not given.
  std::string owner = request.ownerPassword.value_or("");
  std::string user = request.userPassword.value_or("");
  if (request.ownerPassword && owner.empty()) warnings.push_back("empty -ownerpassword ignored");
  if (request.userPassword && user.empty()) warnings.push_back("empty -userpassword ignored");

  if (owner.empty() && user.empty()) {
    if (request.key == KeyChoice::kRc4Bits40) warnings.push_back("-key40bit ignored: no password given");
    if (request.key == KeyChoice::kAes128) warnings.push_back("-key128bit ignored: no password given");
    if (request.permit) warnings.push_back("-permit ignored: permissions apply only with -ownerpassword");
    return plan;
  }
  plan.encrypt = true;
  switch (request.key) {
    case KeyChoice::kRc4Bits40:
      plan.algorithm = Algorithm::kRc4Bits40;
      break;
    case KeyChoice::kAes128:
      plan.algorithm = Algorithm::kAes128;
      break;
    case KeyChoice::kDefault:
      plan.algorithm = Algorithm::kAes256;
      break;
  }
  plan.userPassword = user;
  if (owner.empty()) {
    // Whoever knows the user password is then the owner: nothing to restrict.
    if (request.permit) warnings.push_back("-permit ignored: permissions apply only with -ownerpassword");
    plan.ownerPassword = user;
    plan.permissions = PermissionSet::All();
    return plan;
  }
  plan.ownerPassword = owner;
  if (owner == user) {
    warnings.push_back("owner and user passwords are the same: whoever opens the document can lift its restrictions");
  }
  plan.permissions = request.permit ? PermissionsFromKeywords(request.permissions) : PermissionSet{};
  if (plan.algorithm == Algorithm::kRc4Bits40) {
    const PermissionSet& p = plan.permissions;
    if (p.assembly != p.modifyContents || p.filling != p.annotations || p.screenReader != p.copying ||
        p.printHigh != p.printLow) {
      warnings.push_back(
          "-key40bit knows only four permissions (printing, modifying, copying, annotating); "
          "the finer keywords follow them");
    }
  }
  return plan;
}

namespace {

// Passwords of the older algorithms are in PDFDocEncoding; AES-256 takes UTF-8.
std::string LegacyPassword(const std::string& utf8) {
  std::string encoded;
  return QUtil::utf8_to_pdf_doc(utf8, encoded) ? encoded : utf8;
}

qpdf_r3_print_e PrintLevel(const PermissionSet& p) {
  if (p.printHigh) return qpdf_r3p_full;
  if (p.printLow) return qpdf_r3p_low;
  return qpdf_r3p_none;
}

}  // namespace

void ApplySecurity(const SecurityPlan& plan, QPDFWriter& writer) {
  if (!plan.encrypt) return;
  const PermissionSet& p = plan.permissions;
  switch (plan.algorithm) {
    case Algorithm::kRc4Bits40: {
      const std::string user = LegacyPassword(plan.userPassword);
      const std::string owner = LegacyPassword(plan.ownerPassword);
      // Four coarse bits, each following its main keyword.
      writer.setR2EncryptionParametersInsecure(user.c_str(), owner.c_str(), p.printLow, p.modifyContents, p.copying,
                                               p.annotations);
      break;
    }
    case Algorithm::kAes128: {
      const std::string user = LegacyPassword(plan.userPassword);
      const std::string owner = LegacyPassword(plan.ownerPassword);
      writer.setR4EncryptionParametersInsecure(user.c_str(), owner.c_str(), p.screenReader, p.copying, p.assembly,
                                               p.annotations, p.filling, p.modifyContents, PrintLevel(p),
                                               /*encrypt_metadata=*/true, /*use_aes=*/true);
      break;
    }
    case Algorithm::kAes256:
      writer.setR6EncryptionParameters(plan.userPassword.c_str(), plan.ownerPassword.c_str(), p.screenReader,
                                       p.copying, p.assembly, p.annotations, p.filling, p.modifyContents,
                                       PrintLevel(p), /*encrypt_metadata=*/true);
      break;
  }
}

}  // namespace zembra::toolbox
