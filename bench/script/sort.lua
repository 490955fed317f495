-- Quick sort (Hoare partition, middle pivot, recursive) of 300,000 integers
-- from a small linear congruential generator, then a check that the array is
-- in order and a checksum of it in order: prints 0 298578.
local a = {}
local n = 300000

local function qsort(lo, hi)
  local l, r = lo, hi
  local p = a[(lo + hi) // 2]
  repeat
    while a[l] < p do l = l + 1 end
    while a[r] > p do r = r - 1 end
    if l <= r then
      local t = a[l]; a[l] = a[r]; a[r] = t
      l = l + 1; r = r - 1
    end
  until l > r
  if lo < r then qsort(lo, r) end
  if l < hi then qsort(l, hi) end
end

local x = 1
for i = 1, n do
  x = (x * 8121 + 28411) % 134456
  a[i] = x
end
qsort(1, n)
local bad, c = 0, 0
for i = 2, n do if a[i - 1] > a[i] then bad = bad + 1 end end
for i = 1, n do c = (c * 31 + a[i]) % 1000003 end
print(bad .. " " .. c)
