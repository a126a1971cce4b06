#include "sim/rounded_sine.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace zelvar {

namespace {

using u64 = std::uint64_t;
using u128 = unsigned __int128;

constexpr u128 U128(u64 hi, u64 lo) { return (static_cast<u128>(hi) << 64) | lo; }

struct TablePoint {
    u128 s, c;
};

// Constants, computed to 20,000 bits and truncated or rounded as stated.
// Bits of 2/π after the binary point, 64 per word, most significant first (17,920 bits).
constexpr std::uint64_t kTwoOverPi[280] = {
    0xa2f9836e4e441529ULL, 0xfc2757d1f534ddc0ULL, 0xdb6295993c439041ULL,
    0xfe5163abdebbc561ULL, 0xb7246e3a424dd2e0ULL, 0x06492eea09d1921cULL,
    0xfe1deb1cb129a73eULL, 0xe88235f52ebb4484ULL, 0xe99c7026b45f7e41ULL,
    0x3991d639835339f4ULL, 0x9c845f8bbdf9283bULL, 0x1ff897ffde05980fULL,
    0xef2f118b5a0a6d1fULL, 0x6d367ecf27cb09b7ULL, 0x4f463f669e5fea2dULL,
    0x7527bac7ebe5f17bULL, 0x3d0739f78a5292eaULL, 0x6bfb5fb11f8d5d08ULL,
    0x56033046fc7b6babULL, 0xf0cfbc209af4361dULL, 0xa9e391615ee61b08ULL,
    0x6599855f14a06840ULL, 0x8dffd8804d732731ULL, 0x06061556ca73a8c9ULL,
    0x60e27bc08c6b47c4ULL, 0x19c367cddce8092aULL, 0x8359c4768b961ca6ULL,
    0xddaf44d15719053eULL, 0xa5ff07053f7e33e8ULL, 0x32c2de4f98327dbbULL,
    0xc33d26ef6b1e5ef8ULL, 0x9f3a1f35caf27f1dULL, 0x87f121907c7c246aULL,
    0xfa6ed5772d30433bULL, 0x15c614b59d19c3c2ULL, 0xc4ad414d2c5d000cULL,
    0x467d862d71e39ac6ULL, 0x9b0062337cd2b497ULL, 0xa7b4d55537f63ed7ULL,
    0x1810a3fc764d2a9dULL, 0x64abd770f87c6357ULL, 0xb07ae715175649c0ULL,
    0xd9d63b3884a7cb23ULL, 0x24778ad623545ab9ULL, 0x1f001b0af1dfce19ULL,
    0xff319f6a1e666157ULL, 0x9947fbacd87f7eb7ULL, 0x652289e83260bfe6ULL,
    0xcdc4ef09366cd43fULL, 0x5dd7de16de3b5892ULL, 0x9bde2822d2e88628ULL,
    0x4d58e232cac616e3ULL, 0x08cb7de050c017a7ULL, 0x1df35be01834132eULL,
    0x6212830148835b8eULL, 0xf57fb0adf2e91e43ULL, 0x4a48d36710d8ddaaULL,
    0x425faece616aa428ULL, 0x0ab499d3f2a6067fULL, 0x775c83c2a3883c61ULL,
    0x78738a5a8cafbdd7ULL, 0x6f63a62dcbbff4efULL, 0x818d67c12645ca55ULL,
    0x36d9cad2a8288d61ULL, 0xc277c9121426049bULL, 0x4612c459c444c5c8ULL,
    0x91b24df31700ad43ULL, 0xd4e5492910d5fdfcULL, 0xbe00cc941eeece70ULL,
    0xf53e1380f1ecc3e7ULL, 0xb328f8c79405933eULL, 0x71c1b3092ef3450bULL,
    0x9c12887b20ab9fb5ULL, 0x2ec292472f327b6dULL, 0x550c90a7721fe76bULL,
    0x96cb314a1679e279ULL, 0x4189dff49794e884ULL, 0xe6e29731996bed88ULL,
    0x365f5f0efdbbb49aULL, 0x486ca46742727132ULL, 0x5d8db8159f09e5bcULL,
    0x25318d3974f71c05ULL, 0x30010c0d68084b58ULL, 0xee2c90aa4702e774ULL,
    0x24d6bda67df77248ULL, 0x6eef169fa6948ef6ULL, 0x91b45153d1f20acfULL,
    0x3398207e4bf56863ULL, 0xb25f3edd035d407fULL, 0x8985295255c06437ULL,
    0x10d86d324832754cULL, 0x5bd4714e6e5445c1ULL, 0x090b69f52ad56614ULL,
    0x9d072750045ddb3bULL, 0xb4c576ea17f9877dULL, 0x6b49ba271d296996ULL,
    0xacccc65414ad6ae2ULL, 0x9089d98850722cbeULL, 0xa4049407777030f3ULL,
    0x27fc00a871ea49c2ULL, 0x663de06483dd9797ULL, 0x3fa3fd94438c860dULL,
    0xde41319d39928c70ULL, 0xdde7b7173bdf082bULL, 0x3715a0805c93805aULL,
    0x921110d8e80faf80ULL, 0x6c4bffdb0f903876ULL, 0x185915a562bbcb61ULL,
    0xb989c7bd401004f2ULL, 0xd2277549f6b6ebbbULL, 0x22dbaa140a2f2689ULL,
    0x768364333b091a94ULL, 0x0eaa3a51c2a31daeULL, 0xedaf12265c4dc26dULL,
    0x9c7a2d9756c0833fULL, 0x03f6f0098c402b99ULL, 0x316d07b43915200cULL,
    0x5bc3d8c492f54badULL, 0xc6a5ca4ecd37a736ULL, 0xa9e69492ab6842ddULL,
    0xde6319ef8c76528bULL, 0x6837dbfcaba1ae31ULL, 0x15dfa1ae00dafb0cULL,
    0x664d64b705ed3065ULL, 0x29bf56573aff47b9ULL, 0xf96af3be75df9328ULL,
    0x3080abf68c6615cbULL, 0x040622fa1de4d9a4ULL, 0xb33d8f1b5709cd36ULL,
    0xe9424ea4be13b523ULL, 0x331aaaf0a8654fa5ULL, 0xc1d20f3f0bcd785bULL,
    0x76f923048b7b7217ULL, 0x8953a6c6e26e6f00ULL, 0xebef584a9bb7dac4ULL,
    0xba66aacfcf761d02ULL, 0xd12df1b1c1998c77ULL, 0xadc3da4886a05df7ULL,
    0xf480c62ff0ac9aecULL, 0xddbc5c3f6dded01fULL, 0xc790b6db2a3a25a3ULL,
    0x9aaf009353ad0457ULL, 0xb6b42d297e804ba7ULL, 0x07da0eaa76a1597bULL,
    0x2a12162db7dcfde5ULL, 0xfafedb89fdbe896cULL, 0x76e4fca90670803eULL,
    0x156e85ff87fd073eULL, 0x2833676186182aeaULL, 0xbd4dafe7b36e6d8fULL,
    0x3967955bbf3148d7ULL, 0x8416df30432dc735ULL, 0x6125ce70c9b8cb30ULL,
    0xfd6cbfa200a4e46cULL, 0x05a0dd5a476f21d2ULL, 0x1262845cb9496170ULL,
    0xe0566b0152993755ULL, 0x50b7d51ec4f1335fULL, 0x6e13e4305da92e85ULL,
    0xc3b21d3632a1a4b7ULL, 0x08d4b1ea21f716e4ULL, 0x698f77ff2780030cULL,
    0x2d408da0cd4f99a5ULL, 0x20d3a2b30a5d2f42ULL, 0xf9b4cbda11d0be7dULL,
    0xc1db9bbd17ab81a2ULL, 0xca5c6a0817552e55ULL, 0x0027f0147f8607e1ULL,
    0x640b148d4196debeULL, 0x872afddab6256b34ULL, 0x897bfef3059ebfb9ULL,
    0x4f6a68a82a4a5ac4ULL, 0x4fbcf82d985ad795ULL, 0xc7f48d4d0da63a20ULL,
    0x5f57a4b13f149538ULL, 0x800120cc86dd71b6ULL, 0xdec9f560bf11654dULL,
    0x6b0701acb08cd0c0ULL, 0xb24855510efb1ec3ULL, 0x72953b06a33540c0ULL,
    0x7bdc06cc45e0fa29ULL, 0x4ec8cad641f3e8deULL, 0x647cd8649b31bed9ULL,
    0xc397a4d45877c5e3ULL, 0x6913daf03c3aba46ULL, 0x18465f7555f5bdd2ULL,
    0xc6926e5d2eaced44ULL, 0x0e423e1c87c461e9ULL, 0xfd29f3d6e7ca7c22ULL,
    0x35916fc5e0088dd7ULL, 0xffe26a6ec6fdb0c1ULL, 0x0893745d7cb2ad6bULL,
    0x9d6ecd7b723e6a11ULL, 0xc6a9cff7df7329baULL, 0xc9b55100b70db2e2ULL,
    0x24ba74607de58ad8ULL, 0x742c150d0c188194ULL, 0x667e162901767a9fULL,
    0xbefdfdef4556367eULL, 0xd913d9ecb9ba8bfcULL, 0x97c427a831c36ef1ULL,
    0x36c59456a8d8b5a8ULL, 0xb40ecccf2d891234ULL, 0x576f89562ce3ce99ULL,
    0xb920d6aa5e6b9c2aULL, 0x3ecc5f114a0bfdfbULL, 0xf4e16d3b8e2c86e2ULL,
    0x84d4e9a9b4fcd1eeULL, 0xefc9352e61392f44ULL, 0x2138c8d91b0afc81ULL,
    0x6a4afbd81c2f84b4ULL, 0x538c994ecc2254dcULL, 0x552ad6c6c096190bULL,
    0xb8701a649569605aULL, 0x26ee523f0f117f11ULL, 0xb5f4f5cbfc2dbc34ULL,
    0xeebc34cc5de8605eULL, 0xdd9b8e67ef3392b8ULL, 0x17c99b5861bc57e1ULL,
    0xc68351103ed84871ULL, 0xdddd1c2da118af46ULL, 0x2c21d7f359987ad9ULL,
    0xc0549efa864ffc06ULL, 0x56ae79e536228922ULL, 0xad38dc9367aae855ULL,
    0x3826829be7caa40dULL, 0x51b133990ed7a948ULL, 0x0569f0b265a7887fULL,
    0x974c8836d1f9b392ULL, 0x214a827b21cf98dcULL, 0x9f405547dc3a74e1ULL,
    0x42eb67df9dfe5fd4ULL, 0x5ea4677b7aacbaa2ULL, 0xf65523882b55ba41ULL,
    0x086e59862a218347ULL, 0x39e6e389d49ee540ULL, 0xfb49e956ffca0f1cULL,
    0x8a59c52bfa94c5c1ULL, 0xd3cfc50fae5adb86ULL, 0xc5476243853b8621ULL,
    0x94792c8761107b4cULL, 0x2a1a2c8012bf4390ULL, 0x2688893c78e4c4a8ULL,
    0x7bdbe5c23ac4eaf4ULL, 0x268a67f7bf920d2bULL, 0xa365b1933d0b7cbdULL,
    0xdc51a463dd27dde1ULL, 0x6919949a9529a828ULL, 0xce68b4ed09209f44ULL,
    0xca984e638270237cULL, 0x7e32b90f8ef5a7e7ULL, 0x561408f1212a9db5ULL,
    0x4d7e6f5119a5abf9ULL, 0xb5d6df8261dd9602ULL, 0x36169f3ac4a1a283ULL,
    0x6ded727a8d39a9b8ULL, 0x825c326b5b2746edULL, 0x34007700d255f4fcULL,
    0x4d59018071e0e13fULL, 0x89b295f364a8f1aeULL, 0xa74b38fc4ceab2bbULL,
    0x47270babc3a734baULL, 0x6052dd34f8563aebULL, 0x7e8a31bb365895b7ULL,
    0x47f7a994c3aad392ULL, 0x251e7f3ed8974ebbULL, 0xa94fd8ae01e661b4ULL,
    0x393d8ea523aa3306ULL, 0x8e1633b53bb1881dULL, 0x3a9d4013d0cc1be5ULL,
    0xf862e73bf28f39b5ULL, 0xbf0bc23522747ea2ULL, 0x47c0d52d1f19add3ULL,
    0x9094df9311d0b42bULL, 0x25496db2e264b25eULL, 0xf1353bc6a41a4ad0ULL,
    0xaac92e64e8865730ULL, 0x91982cfb311b1a08ULL, 0x728bbdcee160e142ULL,
    0xeb641dd0bba3e559ULL,
};
// π/2 with one integer bit: π/2 · 2^1087, truncated, most significant word first.
constexpr std::uint64_t kHalfPi[17] = {
    0xc90fdaa22168c234ULL, 0xc4c6628b80dc1cd1ULL, 0x29024e088a67cc74ULL,
    0x020bbea63b139b22ULL, 0x514a08798e3404ddULL, 0xef9519b3cd3a431bULL,
    0x302b0a6df25f1437ULL, 0x4fe1356d6d51c245ULL, 0xe485b576625e7ec6ULL,
    0xf44c42e9a637ed6bULL, 0x0bff5cb6f406b7edULL, 0xee386bfb5a899fa5ULL,
    0xae9f24117c4b1fe6ULL, 0x49286651ece45b3dULL, 0xc2007cb8a163bf05ULL,
    0x98da48361c55d39aULL, 0x69163fa8fd24cf5fULL,
};
// sin and cos of j·π/128, j = 0..32, with one integer bit (units of 2^-127), rounded.
constexpr TablePoint kTable[33] = {
    {U128(0x0000000000000000ULL, 0x0000000000000000ULL), U128(0x8000000000000000ULL, 0x0000000000000000ULL)},
    {U128(0x03242abef46ccfbfULL, 0x2714e7b72ff6833dULL), U128(0x7ff62182133432ecULL, 0xab2baa91b34b0b99ULL)},
    {U128(0x0647d97c437604f9ULL, 0xbb50bcaa595be28cULL), U128(0x7fd8878de5b5f78eULL, 0xa10f476d57aca29fULL)},
    {U128(0x096a9049670cfae6ULL, 0x5f77574094d3c35cULL), U128(0x7fa736b40620e854ULL, 0x87b34319f8d5c2c5ULL)},
    {U128(0x0c8bd35e14da15f0ULL, 0xec7396c894bbf739ULL), U128(0x7f62368f44949678ULL, 0x209c877ee39374f8ULL)},
    {U128(0x0fab272b54b9871aULL, 0x2704729ae56d78a3ULL), U128(0x7f0991c3867f4d1eULL, 0xc8668ecacedb3a77ULL)},
    {U128(0x12c8106e8e613a22ULL, 0x6001513423c0f840ULL), U128(0x7e9d55fc22945a85ULL, 0xf5735eca8e0ed5dfULL)},
    {U128(0x15e214448b3fc654ULL, 0xc7fdde776b163e22ULL), U128(0x7e1d93e9c52ea4d5ULL, 0x92b3bc7fe5ae0bb5ULL)},
    {U128(0x18f8b83c69a60ab6ULL, 0x4b991801c9f99b0aULL), U128(0x7d8a5f3fdd72c0abULL, 0x10b951b0fe953917ULL)},
    {U128(0x1c0b826a7e4f62fcULL, 0xa1d78c35bcd9507aULL), U128(0x7ce3ceb193962314ULL, 0x2282570468cd94c0ULL)},
    {U128(0x1f19f97b215f1aafULL, 0x48443b8974ee4b32ULL), U128(0x7c29fbee48c35ca9ULL, 0x63d6e35a4c4448ddULL)},
    {U128(0x2223a4c563eceec1ULL, 0x261055bd54cd10c1ULL), U128(0x7b5d039da1258cf4ULL, 0x163c8face60ffe11ULL)},
    {U128(0x25280c5dab3e0b51ULL, 0x6b92e9dcf69afdd5ULL), U128(0x7a7d055b18b76976ULL, 0x0b1e2e3f81db8c63ULL)},
    {U128(0x2826b9282ecc0286ULL, 0x4be257d128c0f303ULL), U128(0x798a23b1238447baULL, 0x52a435ee22aeab51ULL)},
    {U128(0x2b1f34eb563fb9fcULL, 0x2047e54e613bfe10ULL), U128(0x78848413da1b92feULL, 0xb3893ed9ad94398bULL)},
    {U128(0x2e110a61f48b3d5dULL, 0xa730fbcd9d1b78eeULL), U128(0x776c4edb3308f183ULL, 0xc37c6107db32580dULL)},
    {U128(0x30fbc54d5d52c5a3ULL, 0x4c48b0a967bf770eULL), U128(0x7641af3cca3518a2ULL, 0xbf308118d60eb0c0ULL)},
    {U128(0x33def28751db145bULL, 0x6a04a42f6eab58b9ULL), U128(0x7504d3453724e6b1ULL, 0x0ad6a2da50daf412ULL)},
    {U128(0x36ba2013c2b98056ULL, 0xcd8b2e5d060b8c0cULL), U128(0x73b5ebd0f31dcbc3ULL, 0x092894a94ea45498ULL)},
    {U128(0x398cdd326388bc2dULL, 0x0a1cb386ff1eb473ULL), U128(0x72552c84d047d3daULL, 0x0913c2d733faa8aeULL)},
    {U128(0x3c56ba700dec763cULL, 0x1b123a78d082c3c7ULL), U128(0x70e2cbc602f6c348ULL, 0xfa74541b97c62c08ULL)},
    {U128(0x3f1749b7f13573f6ULL, 0x89f01f2444a42e34ULL), U128(0x6f5f02b1be54a67dULL, 0xa58cd538ff61d736ULL)},
    {U128(0x41ce1e648bffb65aULL, 0x5febcb8bf944055fULL), U128(0x6dca0d1465b8f643ULL, 0x960cdb1929ed21feULL)},
    {U128(0x447acd506d2c8a10ULL, 0xdc496541b0ec6426ULL), U128(0x6c2429605407fe6dULL, 0x925cff00331aba52ULL)},
    {U128(0x471cece6b9a321b2ULL, 0x5dd267f65ffaa434ULL), U128(0x6a6d98a43a868c0cULL, 0xfb18745b6d641f34ULL)},
    {U128(0x49b41533744b7aa2ULL, 0x58bc10c88f38e0b7ULL), U128(0x68a69e81189e0776ULL, 0xba27f5107455f7c9ULL)},
    {U128(0x4c3fdff385c0d384ULL, 0x0ce76422d643d2e3ULL), U128(0x66cf811fce1d02cfULL, 0x11d798edb8bcd255ULL)},
    {U128(0x4ebfe8a48142e4f1ULL, 0xf12f1caa4b1c5734ULL), U128(0x64e88926498fed3dULL, 0x419a920df0b49913ULL)},
    {U128(0x5133cc9424775860ULL, 0x1da8b3f71acd11a7ULL), U128(0x62f201ac545d02d3ULL, 0xa1ed12ecc9339935ULL)},
    {U128(0x539b2aef8f97a44fULL, 0x0a4fb73acc9a3451ULL), U128(0x60ec382ffe5db748ULL, 0x5ef838ae5c5905ebULL)},
    {U128(0x55f5a4d233b27e8aULL, 0x8df66d4044e0d4a6ULL), U128(0x5ed77c89aabebb78ULL, 0x56429907a946b6aeULL)},
    {U128(0x5842dd5474b37b6dULL, 0x72656806ae4a5e69ULL), U128(0x5cb420dfbffe590dULL, 0x4ef0f1d915c5fa6eULL)},
    {U128(0x5a827999fcef3242ULL, 0x2cbec4d9baa55f50ULL), U128(0x5a827999fcef3242ULL, 0x2cbec4d9baa55f50ULL)},
};
// (π/2)^(2k+1)/(2k+1)! and (π/2)^(2k)/(2k)!, k = 0..7, units of 2^-127, rounded.
constexpr unsigned __int128 kSinCoef[8] = {
    U128(0xc90fdaa22168c234ULL, 0xc4c6628b80dc1cd1ULL),
    U128(0x52aef39896f94afaULL, 0xaee397b895792413ULL),
    U128(0x0a335e33bad570e9ULL, 0x23f34224f03d1861ULL),
    U128(0x009969667315ec2dULL, 0xf32f70bfb232e0b1ULL),
    U128(0x000541e0d21fb9e0ULL, 0x6e41eb19177ab63dULL),
    U128(0x00001e3074fde887ULL, 0x1f623bc80ec28cd6ULL),
    U128(0x0000007a3d0d3406ULL, 0x358cca341592b893ULL),
    U128(0x000000016fadb9f1ULL, 0x557439151a0ebd2dULL),
};
constexpr unsigned __int128 kCosCoef[8] = {
    U128(0x8000000000000000ULL, 0x0000000000000000ULL),
    U128(0x9de9e64df22ef2d2ULL, 0x56e26cd9808c1ac7ULL),
    U128(0x20783e1036b58766ULL, 0xa6603c01f5db44a7ULL),
    U128(0x02aba78fc797ff3fULL, 0x8a9f5b7db2276b63ULL),
    U128(0x001e1f506891babaULL, 0xf464e85b51fb497dULL),
    U128(0x0000d368f9510254ULL, 0x5d4d3db9bb12413dULL),
    U128(0x000003f3a7146ec7ULL, 0x9851baf59ba14a1eULL),
    U128(0x0000000db7127a25ULL, 0x894796de1e0a0c24ULL),
};
constexpr int kTwoOverPiWords = 280;
constexpr int kHalfPiWords = 17;

// An 80-bit real as significand, biased exponent and sign.
struct Unpacked {
    u64 m;
    int biased;
    bool negative;
};

Unpacked unpack_bytes(const unsigned char* b) {
    Unpacked u;
    std::memcpy(&u.m, b, 8);
    const unsigned se = b[8] | (static_cast<unsigned>(b[9]) << 8);
    u.biased = static_cast<int>(se & 0x7fff);
    u.negative = (se >> 15) != 0;
    return u;
}

Unpacked unpack(long double x) {
    unsigned char b[sizeof(long double)] = {};
    std::memcpy(b, &x, sizeof x);
    return unpack_bytes(b);
}

// Writes the 10 bytes of an 80-bit real (the padding is left alone).
void pack_bytes(unsigned char* b, u64 m, int biased, bool negative) {
    std::memcpy(b, &m, 8);
    const std::uint16_t se = static_cast<std::uint16_t>(biased | (negative ? 0x8000 : 0));
    std::memcpy(b + 8, &se, 2);
}

long double pack(u64 m, int biased, bool negative) {
    unsigned char b[sizeof(long double)] = {};
    pack_bytes(b, m, biased, negative);
    long double x;
    std::memcpy(&x, b, sizeof x);
    return x;
}

constexpr int kBias = 16383;

// ---- Rounding a fixed-point result to 64 significant bits ----------------
//
// R is a non-negative value in units of 2^-(W-1) (one integer bit, W bits in
// all), known to within 2^eps units.  The 80-bit value nearest to the true
// value is R's leading 64 bits, rounded up when the bit below them is set,
// unless R lies within 2^eps units of the midpoint (then the true value may
// be on the other side, and the caller evaluates more widely).  The test is
// conservative: it also refuses when the bits between the rounding bit and
// the error bound do not decide.

struct Rounded {
    bool ok = false;
    u64 m = 0;
    int biased = 0;
};

// Bits of R as little-endian words w[0..n-1].
bool bit_of(const u64* w, int n, int pos) { return pos >= 0 && pos < 64 * n && ((w[pos / 64] >> (pos % 64)) & 1); }

Rounded round_fixed(const u64* w, int n, int eps) {
    Rounded r;
    int lead = -1;
    for (int k = n - 1; k >= 0 && lead < 0; --k)
        if (w[k] != 0) lead = 64 * k + 63 - __builtin_clzll(w[k]);
    const int d = lead - 63;  // bits below the 64 kept
    if (lead < 0 || d < eps + 3) return r;
    const bool half_bit = bit_of(w, n, d - 1);
    bool all_zero = true, all_one = true;
    for (int p = eps + 1; p < d - 1; ++p) {
        if (bit_of(w, n, p))
            all_zero = false;
        else
            all_one = false;
    }
    if ((half_bit && all_zero) || (!half_bit && all_one)) return r;
    u64 m = 0;
    for (int p = 0; p < 64; ++p)
        if (bit_of(w, n, d + p)) m |= u64{1} << p;
    int top = lead;
    if (half_bit) {
        if (++m == 0) {
            m = u64{1} << 63;
            ++top;
        }
    }
    r.ok = true;
    r.m = m;
    r.biased = kBias + top - (64 * n - 1);
    return r;
}

// The same for a 128-bit value, without the loops.
Rounded round_fixed(u128 R, int eps) {
    Rounded r;
    if (R == 0) return r;
    const u64 hi = static_cast<u64>(R >> 64), lo = static_cast<u64>(R);
    const int lead = hi != 0 ? 127 - __builtin_clzll(hi) : 63 - __builtin_clzll(lo);
    const int d = lead - 63;
    if (d < eps + 3) return r;
    const bool half_bit = ((R >> (d - 1)) & 1) != 0;
    const int mid_bits = d - 2 - eps;
    const u128 mid_mask = (static_cast<u128>(1) << mid_bits) - 1;
    const u128 mid = (R >> (eps + 1)) & mid_mask;
    if ((half_bit && mid == 0) || (!half_bit && mid == mid_mask)) return r;
    u64 m = static_cast<u64>(R >> d);
    int top = lead;
    if (half_bit) {
        if (++m == 0) {
            m = u64{1} << 63;
            ++top;
        }
    }
    r.ok = true;
    r.m = m;
    r.biased = kBias + top - 127;
    return r;
}

// ---- The 128-bit evaluation -------------------------------------------------

// The high 128 bits of the 256-bit product a·b, and the low 128 bits.
inline u128 mul_full(u128 a, u128 b, u128& low) {
    const u64 a0 = static_cast<u64>(a), a1 = static_cast<u64>(a >> 64);
    const u64 b0 = static_cast<u64>(b), b1 = static_cast<u64>(b >> 64);
    const u128 p00 = static_cast<u128>(a0) * b0, p01 = static_cast<u128>(a0) * b1;
    const u128 p10 = static_cast<u128>(a1) * b0, p11 = static_cast<u128>(a1) * b1;
    const u128 mid = (p00 >> 64) + static_cast<u64>(p01) + static_cast<u64>(p10);
    low = (mid << 64) | static_cast<u64>(p00);
    return p11 + (p01 >> 64) + (p10 >> 64) + (mid >> 64);
}

// a·b for a in units of 2^-128 and b in units of 2^-127: units of 2^-127.
inline u128 mul_hi(u128 a, u128 b) {
    u128 low;
    return mul_full(a, b, low);
}

// a·b, both in units of 2^-127: units of 2^-127.
inline u128 mul_q1(u128 a, u128 b) {
    u128 low;
    const u128 hi = mul_full(a, b, low);
    return (hi << 1) | (low >> 127);
}

// (π/2)^(2k+1)/(2k+1)!, k = 2..6, in units of 2^-67, and (π/2)^(2k)/(2k)!,
// k = 3..6, in units of 2^-69, rounded.
constexpr u64 kSinTail[5] = {0xa335e33bad570e92ULL, 0x09969667315ec2dfULL, 0x00541e0d21fb9e07ULL,
                             0x0001e3074fde8872ULL, 0x000007a3d0d34063ULL};
constexpr u64 kCosTail[4] = {0xaae9e3f1e5ffcfe3ULL, 0x0787d41a246eaebdULL, 0x0034da3e54409517ULL,
                             0x0000fce9c51bb1e6ULL};

// The high 64 bits of a·b.
inline u64 mul_hi64(u64 a, u64 b) { return static_cast<u64>((static_cast<u128>(a) * b) >> 64); }

// Error bound of the 128-bit evaluation, as a power of two in units of
// 2^-127: below 2^34 (the 64-bit part), a few units for the rest; 2^38
// leaves a margin.
constexpr int kFastEps = 38;

// sin x for 2^-32 <= |x| < 2^30.  False when the result cannot be decided
// at this precision.
bool sin_128(const Unpacked& a, unsigned char* out) {
    // x·(2/π) = m·2^E·(2/π), E = exponent − 63.  Bits of 2/π at 2^-i with
    // 2^(E−i) >= 4 only add multiples of 4 (m is an integer), and E <= -34,
    // so the first 256 bits T of 2/π give x·(2/π) = m·T·2^(E−256) with an
    // error below 2^(E−192), and its binary point at bit q = 256 − E of m·T.
    const int E = a.biased - kBias - 63;
    u64 P[8] = {};
    u64 carry = 0;
    for (int k = 0; k < 4; ++k) {  // P = m·T, T's least significant word first
        const u128 t = static_cast<u128>(a.m) * kTwoOverPi[3 - k] + carry;
        P[k] = static_cast<u64>(t);
        carry = static_cast<u64>(t >> 64);
    }
    P[4] = carry;
    const int q = 256 - E;  // 290..351
    auto bits64 = [&P](int p) {  // bits p..p+63 of P, p >= 0
        const int w = p / 64, o = p % 64;
        if (w >= 7) return u64{0};
        return o == 0 ? P[w] : (P[w] >> o) | (P[w + 1] << (64 - o));
    };
    u128 f = (static_cast<u128>(bits64(q - 64)) << 64) | bits64(q - 128);  // fraction, units of 2^-128
    unsigned k = static_cast<unsigned>(bits64(q)) & 3;                      // quadrant
    // x = (k + f)·π/2; from f >= 1/2 on, x = (k + 1 − g)·π/2 with g = 1 − f.
    bool flip = false;
    if (f >> 127) {
        k = (k + 1) & 3;
        f = -f;
        flip = true;
    }
    // g = j/64 + e, e < 1/64: sin and cos of gπ/2 from those of jπ/128 and of
    // eπ/2.  The series of eπ/2 have their first terms (e, e³; 1, e², e⁴)
    // in 128-bit fixed point and the rest, below 2^-33 and 2^-41, in 64-bit
    // fixed point (error below 2^-93) up to the terms in e^13 and e^12 (the
    // next are below 2^-110).
    const int j = static_cast<int>(f >> 122);  // 0..32
    const u128 e = f & ((static_cast<u128>(1) << 122) - 1);
    const u128 u = mul_hi(e, e);    // e², units of 2^-128
    const u128 e3 = mul_hi(u, e);   // e³
    const u128 u2 = mul_hi(u, u);   // e⁴
    const u128 s_lead = mul_hi(e, kSinCoef[0]) - mul_hi(e3, kSinCoef[1]);
    const u128 c_lead = (static_cast<u128>(1) << 127) - mul_hi(u, kCosCoef[1]) + mul_hi(u2, kCosCoef[2]);
    const u64 e_64 = static_cast<u64>(e >> 58);  // e in units of 2^-70
    const u64 u_64 = static_cast<u64>(u >> 52);  // e² in units of 2^-76
    u64 ps = kSinTail[4], pc = kCosTail[3];      // units of 2^-67 and 2^-69
    for (int i = 3; i >= 0; --i) ps = kSinTail[i] - (mul_hi64(u_64, ps) >> 12);
    for (int i = 2; i >= 0; --i) pc = kCosTail[i] - (mul_hi64(u_64, pc) >> 12);
    const u64 e5 = mul_hi64(mul_hi64(e_64, u_64), u_64);  // e⁵, units of 2^-94
    const u64 u3 = mul_hi64(mul_hi64(u_64, u_64), u_64);  // e⁶, units of 2^-100
    const u128 sin_b = s_lead + (static_cast<u128>(mul_hi64(e5, ps)) << 30);  // from units of 2^-97
    const u128 cos_b = c_lead - (static_cast<u128>(mul_hi64(u3, pc)) << 22);  // from units of 2^-105
    const TablePoint& t = kTable[j];
    const u128 R = (k & 1) ? mul_q1(t.c, cos_b) - mul_q1(t.s, sin_b) : mul_q1(t.s, cos_b) + mul_q1(t.c, sin_b);
    const Rounded r = round_fixed(R, kFastEps);
    if (!r.ok) return false;
    const bool negative = (a.negative != ((k & 2) != 0)) != (flip && !(k & 1));
    pack_bytes(out, r.m, r.biased, negative);
    return true;
}

// ---- The wide evaluation -----------------------------------------------------
//
// The same steps with n 64-bit words of fraction (little-endian arrays), the
// series summed term by term, for any finite argument of at least 2^-32.

constexpr int kMaxWords = 16;

// Bits b_i..b_(i+63) of 2/π (b_1 is the first bit after the binary point),
// b_i the most significant.
u64 two_over_pi_bits(int i) {
    const int w = (i - 1) / 64, o = (i - 1) % 64;
    const u64 hi = w < kTwoOverPiWords ? kTwoOverPi[w] : 0;
    const u64 lo = w + 1 < kTwoOverPiWords ? kTwoOverPi[w + 1] : 0;
    return o == 0 ? hi : (hi << o) | (lo >> (64 - o));
}

// r = a·b (n words each) >> (64n − 1): units of 2^-(64n−1) from two such.
void mul_wide(const u64* a, const u64* b, int n, u64* r) {
    u64 p[2 * kMaxWords] = {};
    for (int i = 0; i < n; ++i) {
        u64 carry = 0;
        for (int j = 0; j < n; ++j) {
            const u128 t = static_cast<u128>(a[i]) * b[j] + p[i + j] + carry;
            p[i + j] = static_cast<u64>(t);
            carry = static_cast<u64>(t >> 64);
        }
        p[i + n] = carry;
    }
    for (int k = 0; k < n; ++k) r[k] = (p[n + k] << 1) | (p[n + k - 1] >> 63);
}

// a := a / d (truncated).
void div_small(u64* a, int n, u64 d) {
    u128 rem = 0;
    for (int k = n - 1; k >= 0; --k) {
        const u128 cur = (rem << 64) | a[k];
        a[k] = static_cast<u64>(cur / d);
        rem = cur % d;
    }
}

void add_wide(u64* a, const u64* b, int n) {
    u64 carry = 0;
    for (int k = 0; k < n; ++k) {
        const u128 t = static_cast<u128>(a[k]) + b[k] + carry;
        a[k] = static_cast<u64>(t);
        carry = static_cast<u64>(t >> 64);
    }
}

void sub_wide(u64* a, const u64* b, int n) {
    u64 borrow = 0;
    for (int k = 0; k < n; ++k) {
        const u128 t = static_cast<u128>(a[k]) - b[k] - borrow;
        a[k] = static_cast<u64>(t);
        borrow = static_cast<u64>(t >> 64) != 0 ? 1 : 0;
    }
}

bool is_zero(const u64* a, int n) {
    for (int k = 0; k < n; ++k)
        if (a[k] != 0) return false;
    return true;
}

// sin(r) or cos(r) of r in units of 2^-(64n−1), 0 <= r <= π/4, by the Taylor
// series; each term is truncated twice, so the error stays below 2 units per
// term.
void series(const u64* r, int n, bool cosine, u64* out) {
    u64 r2[kMaxWords], term[kMaxWords] = {}, pos[kMaxWords] = {}, neg[kMaxWords] = {};
    mul_wide(r, r, n, r2);
    if (cosine) {
        term[n - 1] = u64{1} << 63;  // 1
    } else {
        for (int k = 0; k < n; ++k) term[k] = r[k];
    }
    for (int k = 0; k < n; ++k) pos[k] = term[k];
    for (u64 i = 1;; ++i) {
        mul_wide(term, r2, n, term);
        div_small(term, n, cosine ? (2 * i - 1) * (2 * i) : (2 * i) * (2 * i + 1));
        if (is_zero(term, n)) break;
        add_wide(i % 2 ? neg : pos, term, n);
    }
    for (int k = 0; k < n; ++k) out[k] = pos[k];
    sub_wide(out, neg, n);
}

// Error bound of the wide evaluation in units of 2^-(64n−1): 2 units for each
// of at most 32n terms, and a few for the reduction and π/2.
int wide_eps(int n) { return n <= 4 ? 9 : n <= 8 ? 10 : 11; }

bool sin_wide(const Unpacked& a, int n, long double& out) {
    // As in sin_128, with the bits of 2/π from b_i0 on, i0 = max(1, E − 1),
    // and B = 64(n + 2) of them: x·(2/π) = m·W·2^(E−i0−B+1) modulo 4, with
    // an error below 2^(E−i0−B+65) <= 2^(66−B), and the binary point of m·W
    // at bit q = i0 + B − 1 − E.
    const int E = a.biased - kBias - 63;
    const int i0 = E - 1 > 1 ? E - 1 : 1;
    const int words = n + 2, B = 64 * words;
    u64 P[kMaxWords + 4] = {};
    u64 carry = 0;
    for (int k = 0; k < words; ++k) {
        const u128 t = static_cast<u128>(a.m) * two_over_pi_bits(i0 + B - 64 * (k + 1)) + carry;
        P[k] = static_cast<u64>(t);
        carry = static_cast<u64>(t >> 64);
    }
    P[words] = carry;
    const int q = i0 + B - 1 - E;
    auto bits64 = [&P, words](int p) {
        const int w = p / 64, o = p % 64;
        if (w > words) return u64{0};
        const u64 next = w + 1 <= words ? P[w + 1] : 0;
        return o == 0 ? P[w] : (P[w] >> o) | (next << (64 - o));
    };
    u64 f[kMaxWords];
    for (int k = 0; k < n; ++k) f[k] = bits64(q - 64 * n + 64 * k);
    unsigned k4 = static_cast<unsigned>(bits64(q)) & 3;
    bool flip = false;
    if (f[n - 1] >> 63) {  // f >= 1/2: g = 1 − f
        k4 = (k4 + 1) & 3;
        u64 zero[kMaxWords] = {};
        sub_wide(zero, f, n);
        for (int k = 0; k < n; ++k) f[k] = zero[k];
        flip = true;
    }
    // r = g·π/2: g in units of 2^-64n times π/2 in units of 2^-(64n−1).
    u64 half_pi[kMaxWords] = {}, r[kMaxWords];
    for (int k = 0; k < n; ++k) half_pi[k] = kHalfPi[n - 1 - k];
    mul_wide(f, half_pi, n, r);
    // mul_wide shifted by one bit too few for a factor in units of 2^-64n.
    for (int k = 0; k < n; ++k) r[k] = (r[k] >> 1) | (k + 1 < n ? r[k + 1] << 63 : 0);
    u64 R[kMaxWords];
    series(r, n, (k4 & 1) != 0, R);
    const Rounded rd = round_fixed(R, n, wide_eps(n));
    if (!rd.ok) return false;
    const bool negative = (a.negative != ((k4 & 2) != 0)) != (flip && !(k4 & 1));
    out = pack(rd.m, rd.biased, negative);
    return true;
}

long double wide(const Unpacked& a, long double x) {
    long double out;
    for (int n = 4; n <= kMaxWords; n *= 2)
        if (sin_wide(a, n, out)) return out;
    // Not reached: no 80-bit argument has a sine within 2^-1000 of a midpoint
    // that the widest evaluation would need to separate.
    return std::sin(x);
}

}  // namespace

long double rounded_sin(long double x) {
    const Unpacked a = unpack(x);
    if (a.biased == 0x7fff) return std::sin(x);  // infinity or NaN: NaN, invalid operation
    // Below 2^-32, x − sin x < |x|³/6 is less than half the spacing of the
    // 80-bit values below |x|: the nearest value is x itself (and ±0 stays).
    if (a.biased < kBias - 32) return x;
    unsigned char b[sizeof(long double)] = {};
    if (a.biased < kBias + 30 && sin_128(a, b)) {
        long double out;
        std::memcpy(&out, b, sizeof out);
        return out;
    }
    return wide(a, x);
}

void rounded_sin(const long double* x, long double* y, int n) {
    for (int i = 0; i < n; ++i) {
        // The bytes of x[i] and y[i] are read and written as integers: an
        // 80-bit value stored or loaded right before through the floating-
        // point unit would stall the integer access that follows.
        unsigned char* out = reinterpret_cast<unsigned char*>(y + i);
        const Unpacked a = unpack_bytes(reinterpret_cast<const unsigned char*>(x + i));
        if (a.biased >= kBias - 32 && a.biased < kBias + 30 && sin_128(a, out)) continue;
        y[i] = rounded_sin(x[i]);
    }
}

namespace detail {

long double rounded_sin_wide(long double x) {
    const Unpacked a = unpack(x);
    if (a.biased == 0x7fff) return std::sin(x);
    if (a.biased < kBias - 32) return x;
    return wide(a, x);
}

}  // namespace detail

}  // namespace zelvar
