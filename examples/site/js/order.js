function orderTotal(loaves) {
    return (loaves * 4.2).toFixed(2);
}
